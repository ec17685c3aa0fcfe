/* Starts a program and waits until one of its windows with the given title is viewable.
 * Prints "<milliseconds from the start> <pid>" and leaves the program running.
 *
 *   mapwait TITLE PROGRAM [ARG...]
 *
 * Polls the window tree in-process every millisecond, so the measurement neither forks
 * nor competes for the CPU with the program being measured. */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

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

static int find_viewable(Display* d, Window w, const char* title, int depth)
{
    XWindowAttributes a;
    if (has_title(d, w, title) && XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable)
        return 1;
    if (depth == 0)
        return 0;
    Window root, parent, *children = NULL;
    unsigned int n = 0;
    int found = 0;
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

int main(int argc, char* argv[])
{
    if (argc < 3) {
        fprintf(stderr, "usage: mapwait TITLE PROGRAM [ARG...]\n");
        return 2;
    }
    Display* d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "mapwait: no display\n");
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
    for (int i = 0; i < 30000; ++i) {
        if (find_viewable(d, DefaultRootWindow(d), argv[1], 3)) {
            printf("%.1f %d\n", now_ms() - start, (int)pid);
            return 0;
        }
        nanosleep(&pause, NULL);
    }
    fprintf(stderr, "mapwait: no window titled %s\n", argv[1]);
    return 1;
}
