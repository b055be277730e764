/* Preloaded into the 32-bit Wine processes of a test, so that the program under test sees the
 * wall clock moved by TKVN_CLOCK_OFFSET seconds while it keeps running: a test then gives the
 * program any "today" it needs. Only the real-time clock moves; the monotonic clocks that Wine's
 * waits and time-outs use stay as they are.
 *
 * Built without the C library's headers (the 32-bit development files are not installed): the
 * few types are declared here as the i386 ABI lays them out. Wine calls the 64-bit-time entry
 * points (__clock_gettime64 and friends); the older ones are covered for other callers. */

typedef long long time64;
struct timespec64 { time64 tv_sec; int tv_nsec; int padding; };
struct timespec32 { long tv_sec; long tv_nsec; };
struct timeval64 { time64 tv_sec; time64 tv_usec; };
struct timeval32 { long tv_sec; long tv_usec; };

#define RTLD_NEXT ((void *) -1l)
#define CLOCK_REALTIME 0
#define CLOCK_REALTIME_COARSE 5

extern void *dlsym(void *handle, const char *name);
extern char *getenv(const char *name);
extern long long strtoll(const char *text, char **end, int base);

static time64 Offset(void) {
    static int read;
    static time64 offset;
    if (!read) {
        const char *text = getenv("TKVN_CLOCK_OFFSET");
        offset = text ? strtoll(text, 0, 10) : 0;
        read = 1;
    }
    return offset;
}

static int Shifted(int clock) { return clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE; }

int __clock_gettime64(int clock, struct timespec64 *now) {
    static int (*next)(int, struct timespec64 *);
    if (!next) next = (int (*)(int, struct timespec64 *)) dlsym(RTLD_NEXT, "__clock_gettime64");
    int result = next(clock, now);
    if (result == 0 && Shifted(clock)) now->tv_sec += Offset();
    return result;
}

int clock_gettime(int clock, struct timespec32 *now) {
    static int (*next)(int, struct timespec32 *);
    if (!next) next = (int (*)(int, struct timespec32 *)) dlsym(RTLD_NEXT, "clock_gettime");
    int result = next(clock, now);
    if (result == 0 && Shifted(clock)) now->tv_sec += (long) Offset();
    return result;
}

int __gettimeofday64(struct timeval64 *now, void *zone) {
    static int (*next)(struct timeval64 *, void *);
    if (!next) next = (int (*)(struct timeval64 *, void *)) dlsym(RTLD_NEXT, "__gettimeofday64");
    int result = next(now, zone);
    if (result == 0 && now) now->tv_sec += Offset();
    return result;
}

int gettimeofday(struct timeval32 *now, void *zone) {
    static int (*next)(struct timeval32 *, void *);
    if (!next) next = (int (*)(struct timeval32 *, void *)) dlsym(RTLD_NEXT, "gettimeofday");
    int result = next(now, zone);
    if (result == 0 && now) now->tv_sec += (long) Offset();
    return result;
}

time64 __time64(time64 *out) {
    static time64 (*next)(time64 *);
    if (!next) next = (time64 (*)(time64 *)) dlsym(RTLD_NEXT, "__time64");
    time64 now = next(0) + Offset();
    if (out) *out = now;
    return now;
}

long time(long *out) {
    static long (*next)(long *);
    if (!next) next = (long (*)(long *)) dlsym(RTLD_NEXT, "time");
    long now = next(0) + (long) Offset();
    if (out) *out = now;
    return now;
}
