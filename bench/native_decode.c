/* The same libraries' native decodes, for bench/modern_formats (built
 * against Debian's shared libwebp and libheif):
 *   native_decode FILE RUNS [thumb]
 * WebP into a new BGR buffer each time; HEIC and AVIF through libheif into
 * interleaved RGB (a new image each time), or with "thumb" its first
 * embedded thumbnail. Prints the median in milliseconds. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <libheif/heif.h>
#include <webp/decode.h>

static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static int by_value(const void* a, const void* b)
{
    const double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

static int decode_once(const uint8_t* data, size_t size, int webp, int thumb)
{
    if (webp)
    {
        int w = 0, h = 0;
        if (!WebPGetInfo(data, size, &w, &h))
            return 0;
        const size_t stride = ((size_t)w * 3 + 3) & ~(size_t)3;
        uint8_t* out = malloc(stride * h);
        const int ok = out && WebPDecodeBGRInto(data, size, out, stride * h, (int)stride) != NULL;
        free(out);
        return ok;
    }
    struct heif_context* ctx = heif_context_alloc();
    struct heif_image_handle* handle = NULL;
    struct heif_image* img = NULL;
    int ok = heif_context_read_from_memory_without_copy(ctx, data, size, NULL).code == heif_error_Ok &&
             heif_context_get_primary_image_handle(ctx, &handle).code == heif_error_Ok;
    if (ok && thumb)
    {
        heif_item_id id;
        struct heif_image_handle* t = NULL;
        ok = heif_image_handle_get_list_of_thumbnail_IDs(handle, &id, 1) == 1 &&
             heif_image_handle_get_thumbnail(handle, id, &t).code == heif_error_Ok;
        heif_image_handle_release(handle);
        handle = t;
    }
    ok = ok && heif_decode_image(handle, &img, heif_colorspace_RGB, heif_chroma_interleaved_RGB, NULL).code == heif_error_Ok;
    if (img)
        heif_image_release(img);
    if (handle)
        heif_image_handle_release(handle);
    heif_context_free(ctx);
    return ok;
}

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    FILE* f = fopen(argv[1], "rb");
    if (!f)
        return 1;
    fseek(f, 0, SEEK_END);
    const size_t size = (size_t)ftell(f);
    fseek(f, 0, SEEK_SET);
    uint8_t* data = malloc(size);
    if (!data || fread(data, 1, size, f) != size)
        return 1;
    fclose(f);
    const int runs = atoi(argv[2]) > 0 ? atoi(argv[2]) : 1;
    const int webp = strstr(argv[1], ".webp") != NULL, thumb = argc > 3 && !strcmp(argv[3], "thumb");
    double* ms = malloc(sizeof(double) * runs);
    for (int i = 0; i < runs; i++)
    {
        const double t0 = now_ms();
        if (!decode_once(data, size, webp, thumb))
            return 1;
        ms[i] = now_ms() - t0;
    }
    qsort(ms, runs, sizeof(double), by_value);
    printf("%.1f\n", ms[runs / 2]);
    return 0;
}
