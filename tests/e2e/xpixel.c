/* Cheap pixel probes of the X server's root window, for scripts that poll the screen many times a
 * second (a full screenshot and a convert per pixel cost a tenth of a second or more).
 *   xpixel X Y [X Y ...]    prints the colour RRGGBB of each root pixel, one a line
 *   xpixel -h X Y W H       prints an FNV-1a hash of that rectangle's pixels
 *   xpixel -w MS X Y RRGGBB [X Y RRGGBB ...]
 *                           waits for each pixel in turn to show its colour (within 12 a channel),
 *                           polling every millisecond on one connection, and prints the wall
 *                           clock of each match in nanoseconds since the epoch (as date +%s%N
 *                           does); exit code 1 after MS
 * Exit code 1 when the display cannot be opened or the rectangle lies off the screen. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static int near(unsigned a, unsigned b) {
    for (int shift = 0; shift < 24; shift += 8) {
        int d = (int)((a >> shift) & 0xFF) - (int)((b >> shift) & 0xFF);
        if (d > 12 || d < -12) return 0;
    }
    return 1;
}

static unsigned channel(unsigned long pixel, unsigned long mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!(mask & 1)) mask >>= 1, ++shift;
    unsigned long v = (pixel >> shift) & mask;
    return (unsigned)(v * 255 / mask);
}

static unsigned rgb(XImage* image, int x, int y) {
    unsigned long p = XGetPixel(image, x, y);
    return channel(p, image->red_mask) << 16 | channel(p, image->green_mask) << 8 |
           channel(p, image->blue_mask);
}

int main(int argc, char** argv) {
    Display* d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "xpixel: cannot open display\n");
        return 1;
    }
    Window root = DefaultRootWindow(d);
    int width = DisplayWidth(d, DefaultScreen(d)), height = DisplayHeight(d, DefaultScreen(d));
    if (argc >= 6 && (argc - 3) % 3 == 0 && strcmp(argv[1], "-w") == 0) {
        double start = now_ms(), limit = atof(argv[2]);
        for (int i = 3; i + 2 < argc; i += 3) {
            int x = atoi(argv[i]), y = atoi(argv[i + 1]);
            unsigned want = (unsigned)strtoul(argv[i + 2], NULL, 16);
            if (x < 0 || y < 0 || x >= width || y >= height) return 1;
            for (;;) {
                XImage* image = XGetImage(d, root, x, y, 1, 1, AllPlanes, ZPixmap);
                int hit = image && near(rgb(image, 0, 0), want);
                if (image) XDestroyImage(image);
                if (hit) break;
                if (now_ms() - start > limit) return 1;
                struct timespec pause = {0, 1000000};
                nanosleep(&pause, NULL);
            }
            struct timespec wall;
            clock_gettime(CLOCK_REALTIME, &wall);
            printf("%lld\n", (long long)wall.tv_sec * 1000000000LL + wall.tv_nsec);
            fflush(stdout);
        }
        XCloseDisplay(d);
        return 0;
    }
    if (argc == 6 && strcmp(argv[1], "-h") == 0) {
        int x = atoi(argv[2]), y = atoi(argv[3]), w = atoi(argv[4]), h = atoi(argv[5]);
        if (x < 0 || y < 0 || w <= 0 || h <= 0 || x + w > width || y + h > height) return 1;
        XImage* image = XGetImage(d, root, x, y, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
        if (!image) return 1;
        uint32_t hash = 2166136261u;
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                unsigned c = rgb(image, i, j);
                for (int b = 0; b < 3; ++b) hash = (hash ^ ((c >> (8 * b)) & 0xFF)) * 16777619u;
            }
        printf("%08x\n", hash);
        XDestroyImage(image);
        XCloseDisplay(d);
        return 0;
    }
    if (argc < 3 || argc % 2 == 0) {
        fprintf(stderr, "usage: xpixel X Y [X Y ...] | xpixel -h X Y W H | xpixel -w MS X Y RRGGBB ...\n");
        return 2;
    }
    /* One image of the points' bounding box, so several probes cost one round trip. */
    int x0 = width, y0 = height, x1 = -1, y1 = -1;
    for (int i = 1; i + 1 < argc; i += 2) {
        int x = atoi(argv[i]), y = atoi(argv[i + 1]);
        if (x < 0 || y < 0 || x >= width || y >= height) return 1;
        if (x < x0) x0 = x;
        if (y < y0) y0 = y;
        if (x > x1) x1 = x;
        if (y > y1) y1 = y;
    }
    XImage* image =
        XGetImage(d, root, x0, y0, (unsigned)(x1 - x0 + 1), (unsigned)(y1 - y0 + 1), AllPlanes, ZPixmap);
    if (!image) return 1;
    for (int i = 1; i + 1 < argc; i += 2)
        printf("%06X\n", rgb(image, atoi(argv[i]) - x0, atoi(argv[i + 1]) - y0));
    XDestroyImage(image);
    XCloseDisplay(d);
    return 0;
}
