/* Starts a program and times its window: until one of its windows with the given title is
 * viewable (mapped), and until that window's picture is complete: the last time its pixels
 * changed before they stayed the same for a second. Prints "<ms to mapped> <ms to the
 * complete picture> <pid>" and leaves the program running.
 *
 *   mapwait TITLE PROGRAM [ARG...]
 *
 * The window tree is polled in-process every millisecond until the window maps; from then
 * on the X server reports each drawing on the window (the DAMAGE extension), and the
 * window's pixels are read only after a drawing, to see whether it changed anything. So the
 * measurement neither forks nor competes for the CPU with the program being measured. */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

enum { settledMs = 1000 };

static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static int has_title(Display* d, Window w, const char* title)
{
    XTextProperty name;
    int match = 0;
    if (XGetWMName(d, w, &name) && name.value) {
        match = strcmp((const char*)name.value, title) == 0;
        XFree(name.value);
    }
    return match;
}

static Window find_viewable(Display* d, Window w, const char* title, int depth)
{
    XWindowAttributes a;
    if (has_title(d, w, title) && XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable)
        return w;
    if (depth == 0)
        return None;
    Window root, parent, *children = NULL, found = None;
    unsigned int n = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &n)) {
        for (unsigned int i = 0; i < n && !found; ++i)
            found = find_viewable(d, children[i], title, depth - 1);
        if (children)
            XFree(children);
    }
    return found;
}

static int ignore_errors(Display* d, XErrorEvent* e)
{
    (void)d;
    (void)e;
    return 0; /* windows come and go while the tree is walked */
}

/* A fingerprint of the window's pixels (FNV-1a); 0 when they cannot be read. */
static uint64_t picture(Display* d, Window w)
{
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a))
        return 0;
    XImage* image = XGetImage(d, w, 0, 0, (unsigned)a.width, (unsigned)a.height, AllPlanes, ZPixmap);
    if (!image)
        return 0;
    uint64_t hash = 14695981039346656037ull;
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x)
            hash = (hash ^ XGetPixel(image, x, y)) * 1099511628211ull;
    XDestroyImage(image);
    return hash;
}

int main(int argc, char* argv[])
{
    if (argc < 3) {
        fprintf(stderr, "usage: mapwait TITLE PROGRAM [ARG...]\n");
        return 2;
    }
    Display* d = XOpenDisplay(NULL);
    int damageEvent, damageError;
    if (!d || !XDamageQueryExtension(d, &damageEvent, &damageError)) {
        fprintf(stderr, "mapwait: no display, or one without the DAMAGE extension\n");
        return 2;
    }
    XSetErrorHandler(ignore_errors);
    const double start = now_ms();
    pid_t pid = fork();
    if (pid == 0) {
        /* Off our standard output, which the caller reads until every writer has closed it. */
        FILE* null = fopen("/dev/null", "w");
        if (null) {
            dup2(fileno(null), STDOUT_FILENO);
            dup2(fileno(null), STDERR_FILENO);
        }
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    const struct timespec pause = {0, 1000000};
    Window w = None;
    for (int i = 0; i < 30000 && !w; ++i) {
        w = find_viewable(d, DefaultRootWindow(d), argv[1], 3);
        if (!w)
            nanosleep(&pause, NULL);
    }
    if (!w) {
        fprintf(stderr, "mapwait: no window titled %s\n", argv[1]);
        return 1;
    }
    const double mapped = now_ms();
    XDamageCreate(d, w, XDamageReportNonEmpty);
    uint64_t shown = picture(d, w);
    double changed = mapped;
    struct pollfd connection = {ConnectionNumber(d), POLLIN, 0};
    for (double quietSince = now_ms(); now_ms() - quietSince < settledMs;) {
        XFlush(d);
        if (!XPending(d) && poll(&connection, 1, (int)(settledMs - (now_ms() - quietSince)) + 1) <= 0)
            continue;
        int drawn = 0;
        while (XPending(d)) {
            XEvent event;
            XNextEvent(d, &event);
            if (event.type == damageEvent + XDamageNotify) {
                XDamageSubtract(d, ((XDamageNotifyEvent*)&event)->damage, None, None);
                drawn = 1;
            }
        }
        if (!drawn)
            continue;
        const uint64_t now = picture(d, w);
        if (now != shown) {
            shown = now;
            changed = now_ms();
        }
        quietSince = now_ms();
    }
    printf("%.1f %.1f %d\n", mapped - start, changed - start, (int)pid);
    return 0;
}
