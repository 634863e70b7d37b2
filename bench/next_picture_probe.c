/* Native X client of bench/next_picture: presses a key through the XTEST
 * extension and times, on one clock, from the key's release reaching the X
 * server to the expected colour at a screen point, polled with XGetImage: the
 * X server's own pixels, as the user sees them.
 *
 * Usage: next_picture_probe X Y X2 Y2 GAP_MS KEY:RRGGBB[:RRGGBB]...
 *   KEY is an X keysym name (Right, Left); the first colour is awaited at
 *   (X, Y), the second, if given, at (X2, Y2) after it. Before each step the
 *   probe waits GAP_MS, so the viewer is idle when the key comes.
 * Prints one line per step: "step <n> <key> <ms> [<ms2>]", "timeout" for a
 * colour that did not come within 15 s.
 * libXtst is opened at run time: only its runtime library is installed. */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

typedef int (*FakeKeyFn)(Display *, unsigned int, int, unsigned long);

static double NowMs(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

static void SleepMs(int ms)
{
    struct timespec ts = {ms / 1000, (long)(ms % 1000) * 1000000L};
    nanosleep(&ts, NULL);
}

/* The pixel as 8-bit channels, whatever the screen's depth. */
static int ReadPixel(Display *dpy, Window root, int x, int y, int rgb[3])
{
    XImage *img = XGetImage(dpy, root, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img)
        return 0;
    unsigned long p = XGetPixel(img, 0, 0);
    unsigned long masks[3] = {img->red_mask, img->green_mask, img->blue_mask};
    for (int c = 0; c < 3; c++)
    {
        unsigned long m = masks[c];
        int shift = 0, bits = 0;
        while (m && !(m & 1)) { m >>= 1; shift++; }
        while (m & 1) { m >>= 1; bits++; }
        unsigned long v = (p >> shift) & ((1ul << bits) - 1);
        rgb[c] = bits ? (int)(v * 255 / ((1ul << bits) - 1)) : 0;
    }
    XDestroyImage(img);
    return 1;
}

static int Near(const int a[3], const int b[3])
{
    for (int c = 0; c < 3; c++)
        if (abs(a[c] - b[c]) > 32)
            return 0;
    return 1;
}

int main(int argc, char **argv)
{
    if (argc < 7)
    {
        fprintf(stderr, "usage: %s X Y X2 Y2 GAP_MS KEY:RRGGBB[:RRGGBB]...\n", argv[0]);
        return 2;
    }
    const int x = atoi(argv[1]), y = atoi(argv[2]), x2 = atoi(argv[3]), y2 = atoi(argv[4]), gap = atoi(argv[5]);
    void *xtst = dlopen("libXtst.so.6", RTLD_NOW);
    FakeKeyFn fake = xtst ? (FakeKeyFn)dlsym(xtst, "XTestFakeKeyEvent") : NULL;
    Display *dpy = XOpenDisplay(NULL);
    if (!fake || !dpy)
    {
        fprintf(stderr, "no XTEST or no display\n");
        return 2;
    }
    Window root = DefaultRootWindow(dpy);
    for (int i = 6; i < argc; i++)
    {
        char key[64];
        unsigned int colour[2] = {0, 0};
        const int nColours = sscanf(argv[i], "%63[^:]:%x:%x", key, &colour[0], &colour[1]) - 1;
        if (nColours < 1)
        {
            fprintf(stderr, "bad step %s\n", argv[i]);
            return 2;
        }
        KeyCode code = XKeysymToKeycode(dpy, XStringToKeysym(key));
        if (!code)
        {
            fprintf(stderr, "no key %s\n", key);
            return 2;
        }
        SleepMs(gap);
        fake(dpy, code, True, 0);
        XSync(dpy, False);
        SleepMs(30);
        fake(dpy, code, False, 0);
        /* The round trip returns once the server has the release. */
        XSync(dpy, False);
        const double t0 = NowMs();
        printf("step %d %s", i - 5, key);
        for (int c = 0; c < nColours; c++)
        {
            const int want[3] = {(int)(colour[c] >> 16) & 255, (int)(colour[c] >> 8) & 255, (int)colour[c] & 255};
            int rgb[3] = {0, 0, 0}, seen = 0;
            double t1 = NowMs();
            while (t1 - t0 < 15000.0)
            {
                if (ReadPixel(dpy, root, c ? x2 : x, c ? y2 : y, rgb) && Near(rgb, want))
                {
                    seen = 1;
                    break;
                }
                /* A short rest keeps the poll from taking a whole core. */
                SleepMs(1);
                t1 = NowMs();
            }
            t1 = NowMs();
            if (seen)
                printf(" %.1f", t1 - t0);
            else
                printf(" timeout(%02x%02x%02x)", rgb[0], rgb[1], rgb[2]);
        }
        printf("\n");
        fflush(stdout);
    }
    XCloseDisplay(dpy);
    return 0;
}
