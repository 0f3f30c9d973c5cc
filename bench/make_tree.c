/* Builds the trees bench/compare measures, the same every time (a fixed seed):
 *
 *   make_tree SHAPE FOLDER
 *
 *   wide   1,000 folders of 200 files (10 groups of 100)
 *   small  20,000 folders of 10 files (200 groups of 100)
 *   home   like a home folder or a source checkout: about 300,000 files in 16,000
 *          folders, 1 to 8 levels deep, most folders small, a few of up to 200 files
 *   million  1,000,000 files: 5,000 folders of 200 (for the peak memory)
 *   medium 10,000 files: 200 folders of 50 (2 groups of 100), and
 *   flat   one folder of 5,000 files: small enough to list through a share whose every
 *          round trip takes half a millisecond
 *
 * Files are empty, with time stamps spread over the last ten years, so that the listing
 * formats many different dates as a real tree makes it do.
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static unsigned long long state = 88172645463325252ULL;

static unsigned long long next_random(void) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

static double uniform(void) {
    return (double)(next_random() >> 11) / 9007199254740992.0;
}

static const char* const extensions[] = {"txt", "c",    "h", "JPG", "pdf",
                                         "md",  "json", "o", "py",  "png"};

static void make_files(const char* folder, int count) {
    char path[4096];
    const time_t now = time(NULL);
    for (int i = 0; i < count; ++i) {
        const char* ext = extensions[next_random() % 10];
        snprintf(path, sizeof path, "%s/%s%d.%s", folder, (i % 17 == 0) ? ".hidden" : "file", i,
                 ext);
        int fd = open(path, O_CREAT | O_WRONLY | O_TRUNC, 0644);
        if (fd < 0) {
            perror(path);
            exit(1);
        }
        struct timespec times[2];
        times[0].tv_sec = times[1].tv_sec = now - (time_t)(uniform() * 10 * 365 * 86400);
        times[0].tv_nsec = times[1].tv_nsec = 0;
        futimens(fd, times);
        close(fd);
    }
}

static void make_folder(const char* path) {
    if (mkdir(path, 0755) != 0) {
        perror(path);
        exit(1);
    }
}

static void grid(const char* top, int groups, int per_group, int files) {
    char path[4096];
    make_folder(top);
    for (int g = 0; g < groups; ++g) {
        snprintf(path, sizeof path, "%s/group%d", top, g);
        make_folder(path);
        for (int f = 0; f < per_group; ++f) {
            snprintf(path, sizeof path, "%s/group%d/folder%d", top, g, f);
            make_folder(path);
            make_files(path, files);
        }
    }
}

/* A random tree: each new folder goes below a folder picked at random among those less
 * than 8 levels deep, so depths vary from 1 to 8; file counts are mostly small. */
static void home(const char* top) {
    enum { kFolders = 16000 };
    static char* paths[kFolders];
    static int depths[kFolders];
    static int children[kFolders];
    make_folder(top);
    paths[0] = strdup(top);
    depths[0] = 0;
    int made = 1;
    long files = 0;
    while (made < kFolders) {
        int parent = (int)(next_random() % (unsigned)made);
        if (depths[parent] >= 8) {
            continue;
        }
        char path[4096];
        snprintf(path, sizeof path, "%s/%s%d", paths[parent], (made % 5 == 0) ? "Src" : "dir",
                 children[parent]++);
        make_folder(path);
        paths[made] = strdup(path);
        depths[made] = depths[parent] + 1;
        ++made;
    }
    for (int i = 0; i < kFolders; ++i) {
        const double u = uniform();
        const int count = 1 + (int)(199.0 * u * u * u * u * u * u * u * u * u);
        make_files(paths[i], count);
        files += count;
    }
    fprintf(stderr, "%d folders, %ld files\n", made, files);
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: make_tree wide|small|home|million|medium|flat FOLDER\n");
        return 2;
    }
    if (strcmp(argv[1], "wide") == 0) {
        grid(argv[2], 10, 100, 200);
    } else if (strcmp(argv[1], "small") == 0) {
        grid(argv[2], 200, 100, 10);
    } else if (strcmp(argv[1], "million") == 0) {
        grid(argv[2], 50, 100, 200);
    } else if (strcmp(argv[1], "medium") == 0) {
        grid(argv[2], 2, 100, 50);
    } else if (strcmp(argv[1], "flat") == 0) {
        make_folder(argv[2]);
        make_files(argv[2], 5000);
    } else if (strcmp(argv[1], "home") == 0) {
        home(argv[2]);
    } else {
        fprintf(stderr, "unknown shape %s\n", argv[1]);
        return 2;
    }
    return 0;
}
