/* A folder served read-only through FUSE, every metadata answer held back a while, as a
 * file server or NAS share answers over the network: the latency of a share on this
 * machine, with no network and nothing cached.
 *
 *   slow_share [--delay-us N] [--threads N] [--foreground] FOLDER MOUNTPOINT
 *
 * Each look-up, getattr, opendir, readdir request, readlink, access and statfs waits N
 * microseconds (default 500, a round trip to a file server on a local network) before it is
 * answered; reading a file's data and closing do not wait. Neither the kernel nor this
 * program keeps anything: entry, attribute and negative timeouts are 0, readdir results
 * are not cached and files are opened with direct_io, and every answer comes from the
 * folder itself at that moment. Requests are served by up to --threads threads at once
 * (default 256, more than a walk keeps in flight), so requests in flight overlap and wait
 * together, as a share's do; parallel look-ups in one folder are allowed, of names the kernel
 * has not met yet too (see write_answer). Without
 * readdirplus a folder's reading hands over names and kinds only, and every file's size and
 * time is a round trip of its own, as on a share nobody has listed lately.
 *
 * Names, modes, sizes, times and inode numbers are the folder's own. The program returns
 * once the mount is in place and serves it in the background until unmounted
 * (`fusermount3 -u MOUNTPOINT`); --foreground keeps it in the foreground.
 */
#define FUSE_USE_VERSION 312
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <fuse_lowlevel.h>
#include <linux/fuse.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

static int root = -1;
static struct timespec delay;

/* The round trip: every metadata answer waits this long, whatever else is in flight. */
static void hold_back(void) {
    struct timespec left = delay;
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

/* FUSE hands over paths from the mount's root ("/", "/a/b"); they are read relative to the
 * served folder. */
static const char* relative(const char* path) {
    return path[1] == '\0' ? "." : path + 1;
}

/* An open folder read in slices: the kernel asks for one buffer at a time, each a request
 * of its own, from the offset where the last one ended. */
struct folder {
    DIR* dir;
    struct dirent* entry; /* read but not yet handed over (the last buffer was full) */
    off_t offset;
};

static void* share_init(struct fuse_conn_info* conn, struct fuse_config* config) {
    config->entry_timeout = 0;
    config->attr_timeout = 0;
    config->negative_timeout = 0;
    config->use_ino = 1;
    config->direct_io = 1;
    config->kernel_cache = 0;
    config->auto_cache = 0;
    conn->want &= ~(FUSE_CAP_READDIRPLUS | FUSE_CAP_READDIRPLUS_AUTO | FUSE_CAP_CACHE_SYMLINKS);
    if (conn->capable & FUSE_CAP_PARALLEL_DIROPS) {
        conn->want |= FUSE_CAP_PARALLEL_DIROPS;
    }
    return NULL;
}

static int share_getattr(const char* path, struct stat* info, struct fuse_file_info* file) {
    (void)file;
    hold_back();
    return fstatat(root, relative(path), info, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : -errno;
}

static int share_readlink(const char* path, char* target, size_t size) {
    hold_back();
    const ssize_t length = readlinkat(root, relative(path), target, size - 1);
    if (length < 0) {
        return -errno;
    }
    target[length] = '\0';
    return 0;
}

static int share_access(const char* path, int mask) {
    hold_back();
    if (mask & W_OK) {
        return -EROFS;
    }
    return faccessat(root, relative(path), mask, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : -errno;
}

static int share_statfs(const char* path, struct statvfs* info) {
    (void)path;
    hold_back();
    return fstatvfs(root, info) == 0 ? 0 : -errno;
}

static int share_opendir(const char* path, struct fuse_file_info* file) {
    hold_back();
    const int fd = openat(root, relative(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return -errno;
    }
    struct folder* folder = calloc(1, sizeof *folder);
    if (folder == NULL || (folder->dir = fdopendir(fd)) == NULL) {
        const int error = folder == NULL ? ENOMEM : errno;
        free(folder);
        close(fd);
        return -error;
    }
    file->fh = (uintptr_t)folder;
    file->cache_readdir = 0;
    file->keep_cache = 0;
    return 0;
}

static int share_readdir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t offset,
                         struct fuse_file_info* file, enum fuse_readdir_flags flags) {
    (void)path;
    (void)flags;
    struct folder* folder = (struct folder*)(uintptr_t)file->fh;
    hold_back();
    if (offset != folder->offset) {
        seekdir(folder->dir, offset);
        folder->entry = NULL;
        folder->offset = offset;
    }
    for (;;) {
        if (folder->entry == NULL) {
            errno = 0;
            folder->entry = readdir(folder->dir);
            if (folder->entry == NULL) {
                return errno == 0 ? 0 : -errno;
            }
        }
        struct stat kind;
        memset(&kind, 0, sizeof kind);
        kind.st_ino = folder->entry->d_ino;
        kind.st_mode = (mode_t)DTTOIF(folder->entry->d_type);
        const off_t next = telldir(folder->dir);
        /* A full buffer keeps the entry for the next request. */
        if (fill(buffer, folder->entry->d_name, &kind, next, 0) != 0) {
            return 0;
        }
        folder->entry = NULL;
        folder->offset = next;
    }
}

static int share_releasedir(const char* path, struct fuse_file_info* file) {
    (void)path;
    struct folder* folder = (struct folder*)(uintptr_t)file->fh;
    closedir(folder->dir);
    free(folder);
    return 0;
}

static int share_open(const char* path, struct fuse_file_info* file) {
    if ((file->flags & O_ACCMODE) != O_RDONLY) {
        return -EROFS;
    }
    hold_back();
    const int fd = openat(root, relative(path), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -errno;
    }
    file->fh = (uint64_t)fd;
    file->direct_io = 1;
    file->keep_cache = 0;
    return 0;
}

static int share_read(const char* path, char* data, size_t size, off_t offset,
                      struct fuse_file_info* file) {
    (void)path;
    const ssize_t length = pread((int)file->fh, data, size, offset);
    return length < 0 ? -errno : (int)length;
}

static int share_release(const char* path, struct fuse_file_info* file) {
    (void)path;
    close((int)file->fh);
    return 0;
}

/* libfuse before 3.16 asks the kernel for parallel look-ups but never says so in its answer
 * to the kernel's first request, so the kernel looks up names it has not seen yet one at a
 * time in each folder (later look-ups of the same names, revalidations, are parallel all the
 * same). A share answers look-ups in parallel; so the requests and answers pass through here,
 * and the answer to that first request says it where the kernel offered it. */
static _Thread_local uint64_t init_unique; /* the thread that reads it answers it */
static _Thread_local int parallel_offered;

static ssize_t read_request(int fd, void* buffer, size_t size, void* userdata) {
    (void)userdata;
    const ssize_t length = read(fd, buffer, size);
    if (length >= (ssize_t)(sizeof(struct fuse_in_header) + sizeof(struct fuse_init_in))) {
        const struct fuse_in_header* header = buffer;
        if (header->opcode == FUSE_INIT) {
            const struct fuse_init_in* init = (const struct fuse_init_in*)(header + 1);
            init_unique = header->unique;
            parallel_offered = (init->flags & FUSE_PARALLEL_DIROPS) != 0;
        }
    }
    return length;
}

static ssize_t write_answer(int fd, struct iovec* parts, int count, void* userdata) {
    (void)userdata;
    if (parallel_offered && count >= 2 && parts[0].iov_len == sizeof(struct fuse_out_header) &&
        parts[1].iov_len >= offsetof(struct fuse_init_out, flags) + sizeof(uint32_t)) {
        const struct fuse_out_header* header = parts[0].iov_base;
        if (header->unique == init_unique && header->error == 0) {
            ((struct fuse_init_out*)parts[1].iov_base)->flags |= FUSE_PARALLEL_DIROPS;
            parallel_offered = 0;
        }
    }
    return writev(fd, parts, count);
}

static const struct fuse_operations operations = {
    .init = share_init,
    .getattr = share_getattr,
    .readlink = share_readlink,
    .access = share_access,
    .statfs = share_statfs,
    .opendir = share_opendir,
    .readdir = share_readdir,
    .releasedir = share_releasedir,
    .open = share_open,
    .read = share_read,
    .release = share_release,
};

static int usage(void) {
    fprintf(stderr,
            "usage: slow_share [--delay-us N] [--threads N] [--foreground] FOLDER MOUNTPOINT\n");
    return 2;
}

int main(int argc, char** argv) {
    long delay_us = 500;
    long threads = 256;
    int foreground = 0;
    const char* folder = NULL;
    const char* mountpoint = NULL;
    for (int i = 1; i < argc; ++i) {
        char* end = NULL;
        if (strcmp(argv[i], "--delay-us") == 0 && i + 1 < argc) {
            delay_us = strtol(argv[++i], &end, 10);
            if (*end != '\0' || delay_us < 0) {
                return usage();
            }
        } else if (strcmp(argv[i], "--threads") == 0 && i + 1 < argc) {
            threads = strtol(argv[++i], &end, 10);
            if (*end != '\0' || threads < 1) {
                return usage();
            }
        } else if (strcmp(argv[i], "--foreground") == 0) {
            foreground = 1;
        } else if (folder == NULL) {
            folder = argv[i];
        } else if (mountpoint == NULL) {
            mountpoint = argv[i];
        } else {
            return usage();
        }
    }
    if (mountpoint == NULL) {
        return usage();
    }
    delay.tv_sec = delay_us / 1000000;
    delay.tv_nsec = (delay_us % 1000000) * 1000;
    root = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0) {
        perror(folder);
        return 1;
    }

    char* fuse_argv[] = {argv[0], "-o", "ro,fsname=slow_share,subtype=slow_share", NULL};
    struct fuse_args args = FUSE_ARGS_INIT(3, fuse_argv);
    struct fuse* fuse = fuse_new(&args, &operations, sizeof operations, NULL);
    if (fuse == NULL) {
        return 1;
    }
    int status = 1;
    if (fuse_mount(fuse, mountpoint) == 0) {
        struct fuse_session* session = fuse_get_session(fuse);
        const struct fuse_custom_io io = {.writev = write_answer, .read = read_request};
        fuse_session_custom_io(session, &io, fuse_session_fd(session));
        /* Returns in the caller once mounted: a script may use the mount straight away. */
        if (fuse_daemonize(foreground) == 0 && fuse_set_signal_handlers(session) == 0) {
            struct fuse_loop_config* loop = fuse_loop_cfg_create();
            fuse_loop_cfg_set_max_threads(loop, (unsigned)threads);
            /* Threads stay once started: a walk's requests come in bursts. */
            fuse_loop_cfg_set_idle_threads(loop, (unsigned)threads);
            status = fuse_loop_mt(fuse, loop) == 0 ? 0 : 1;
            fuse_loop_cfg_destroy(loop);
            fuse_remove_signal_handlers(session);
        }
        fuse_unmount(fuse);
    }
    fuse_destroy(fuse);
    fuse_opt_free_args(&args);
    return status;
}
