/* Takes COUNT pictures of a window, INTERVAL-MS apart, kept in memory and written afterwards as
   PREFIX-00.ppm, PREFIX-01.ppm ...: fast enough to catch what shows for a fraction of a second,
   which a full `import` of the screen is too slow for. Usage: xshot WINDOW-ID COUNT INTERVAL-MS PREFIX */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static int shift_of(unsigned long mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: xshot WINDOW-ID COUNT INTERVAL-MS PREFIX\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "xshot: no display\n");
        return 1;
    }
    Window window = (Window)strtoul(argv[1], NULL, 0);
    int count = atoi(argv[2]);
    long interval = atol(argv[3]);
    if (count < 1 || count > 200 || interval < 0) {
        fprintf(stderr, "xshot: bad count or interval\n");
        return 2;
    }
    XWindowAttributes at;
    if (!XGetWindowAttributes(display, window, &at)) {
        fprintf(stderr, "xshot: no such window\n");
        return 1;
    }
    XImage** shots = calloc((size_t)count, sizeof *shots);
    if (!shots) return 1;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            struct timespec pause = {interval / 1000, (interval % 1000) * 1000000L};
            nanosleep(&pause, NULL);
        }
        shots[i] = XGetImage(display, window, 0, 0, (unsigned)at.width, (unsigned)at.height, AllPlanes, ZPixmap);
        if (!shots[i]) {
            fprintf(stderr, "xshot: grab %d failed\n", i);
            return 1;
        }
    }
    for (int i = 0; i < count; ++i) {
        XImage* im = shots[i];
        char name[4096];
        snprintf(name, sizeof name, "%s-%02d.ppm", argv[4], i);
        FILE* f = fopen(name, "wb");
        if (!f) {
            fprintf(stderr, "xshot: cannot write %s\n", name);
            return 1;
        }
        fprintf(f, "P6\n%d %d\n255\n", im->width, im->height);
        int rs = shift_of(im->red_mask), gs = shift_of(im->green_mask), bs = shift_of(im->blue_mask);
        for (int y = 0; y < im->height; ++y)
            for (int x = 0; x < im->width; ++x) {
                unsigned long p = XGetPixel(im, x, y);
                unsigned char rgb[3] = {(unsigned char)((p & im->red_mask) >> rs),
                                        (unsigned char)((p & im->green_mask) >> gs),
                                        (unsigned char)((p & im->blue_mask) >> bs)};
                fwrite(rgb, 1, 3, f);
            }
        fclose(f);
        XDestroyImage(im);
    }
    free(shots);
    XCloseDisplay(display);
    return 0;
}
