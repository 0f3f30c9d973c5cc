/* The least a parallel walk can do on this machine, as a ceiling for the engine's gain:
 * THREADS threads take folders from one queue, first found first, read each one's names
 * and stat every entry. Nothing is written, sorted or formatted, and no order is kept, so
 * the listing engine, which does all of that, can at best come near its time.
 *
 *   parallel_floor FOLDER [THREADS]   (default 8: the engine's readers on a local disk)
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

struct folder {
    struct folder* next;
    char path[];
};

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t ready = PTHREAD_COND_INITIALIZER;
static struct folder* head;
static struct folder* tail;
static int busy; /* threads reading a folder: while any is, more may come */
static unsigned long long files;
static dev_t device;

static struct folder* folder_of(const char* parent, const char* name) {
    size_t length = strlen(parent) + 1 + (name ? strlen(name) : 0) + 1;
    struct folder* f = malloc(sizeof *f + length);
    if (f == NULL) {
        perror("parallel_floor");
        exit(1);
    }
    f->next = NULL;
    if (name) {
        snprintf(f->path, length, "%s/%s", parent, name);
    } else {
        snprintf(f->path, length, "%s", parent);
    }
    return f;
}

/* Reads one folder; its subfolders, in the order found, into the list from *first. */
static unsigned long long read_folder(const char* path, struct folder** first,
                                      struct folder** last) {
    unsigned long long count = 0;
    int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    DIR* dir = fdopendir(fd);
    if (dir == NULL) {
        close(fd);
        return 0;
    }
    struct dirent* entry;
    while ((entry = readdir(dir)) != NULL) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        struct stat info;
        if (fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        ++count;
        if (S_ISDIR(info.st_mode) && info.st_dev == device) {
            struct folder* sub = folder_of(path, name);
            if (*last) {
                (*last)->next = sub;
            } else {
                *first = sub;
            }
            *last = sub;
        }
    }
    closedir(dir);
    return count;
}

static void* work(void* unused) {
    (void)unused;
    pthread_mutex_lock(&lock);
    for (;;) {
        while (head == NULL && busy > 0) {
            pthread_cond_wait(&ready, &lock);
        }
        if (head == NULL) {
            pthread_cond_broadcast(&ready);
            break;
        }
        struct folder* f = head;
        head = f->next;
        if (head == NULL) {
            tail = NULL;
        }
        ++busy;
        pthread_mutex_unlock(&lock);

        struct folder* first = NULL;
        struct folder* last = NULL;
        unsigned long long count = read_folder(f->path, &first, &last);
        free(f);

        pthread_mutex_lock(&lock);
        --busy;
        files += count;
        if (first) {
            if (tail) {
                tail->next = first;
            } else {
                head = first;
            }
            tail = last;
        }
        pthread_cond_broadcast(&ready);
    }
    pthread_mutex_unlock(&lock);
    return NULL;
}

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: parallel_floor FOLDER [THREADS]\n");
        return 2;
    }
    int threads = argc == 3 ? atoi(argv[2]) : 8;
    if (threads < 1 || threads > 1024) {
        fprintf(stderr, "parallel_floor: THREADS is 1 to 1024\n");
        return 2;
    }
    struct stat root;
    if (stat(argv[1], &root) != 0 || !S_ISDIR(root.st_mode)) {
        fprintf(stderr, "parallel_floor: %s is not a folder\n", argv[1]);
        return 1;
    }
    device = root.st_dev;
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    head = tail = folder_of(argv[1], NULL);
    pthread_t* ids = calloc((size_t)threads, sizeof *ids);
    for (int i = 0; i < threads; ++i) {
        if (pthread_create(&ids[i], NULL, work, NULL) != 0) {
            perror("parallel_floor");
            return 1;
        }
    }
    for (int i = 0; i < threads; ++i) {
        pthread_join(ids[i], NULL);
    }
    free(ids);
    clock_gettime(CLOCK_MONOTONIC, &end);
    double seconds = (double)(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
    printf("entries=%llu seconds=%.3f threads=%d\n", files, seconds, threads);
    return 0;
}
