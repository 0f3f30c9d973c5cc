/* The least a walk can do, as the floor the listing engine is measured against:
 * readdir, one fstatat per entry, localtime_r and strftime, and a buffered write of the
 * same seven fields. No sorting, no wildcard, no link rules, no error reporting.
 *
 *   baseline_walker FOLDER OUTPUT
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static FILE* out;
static unsigned long long files;

static void upper_extension(const char* name, char* ext, size_t size) {
    const char* dot = strrchr(name, '.');
    const char* from = dot ? dot + 1 : name;
    size_t i = 0;
    for (; from[i] != '\0' && i + 1 < size; ++i) {
        char c = from[i];
        ext[i] = (c >= 'a' && c <= 'z') ? (char)(c - 32) : c;
    }
    ext[i] = '\0';
}

static void walk(int parent, const char* name, const char* path) {
    int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    DIR* dir = fdopendir(fd);
    if (dir == NULL) {
        close(fd);
        return;
    }
    struct dirent* item;
    while ((item = readdir(dir)) != NULL) {
        if (strcmp(item->d_name, ".") == 0 || strcmp(item->d_name, "..") == 0) {
            continue;
        }
        struct stat info;
        if (fstatat(fd, item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            size_t length = strlen(path) + strlen(item->d_name) + 2;
            char* child = malloc(length);
            snprintf(child, length, "%s/%s", path, item->d_name);
            walk(fd, item->d_name, child);
            free(child);
            continue;
        }
        char ext[256];
        char stamp[64];
        struct tm local;
        upper_extension(item->d_name, ext, sizeof ext);
        localtime_r(&info.st_mtime, &local);
        strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
        fprintf(out, "%s\t%s\t%lld\t%s\t%s\t%s%s\t\r\n", item->d_name, ext, (long long)info.st_size,
                stamp, path, item->d_name[0] == '.' ? "H" : "",
                (info.st_mode & S_IWUSR) ? "" : "R");
        ++files;
    }
    closedir(dir);
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: baseline_walker FOLDER OUTPUT\n");
        return 2;
    }
    out = fopen(argv[2], "wb");
    if (out == NULL) {
        perror(argv[2]);
        return 1;
    }
    setvbuf(out, NULL, _IOFBF, 1 << 16);
    fputs("Filename\tExtension\tSize\tDate/Time\tDirectory\tAttribute\tComment\r\n", out);
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    walk(AT_FDCWD, argv[1], argv[1]);
    int failed = fclose(out) != 0;
    clock_gettime(CLOCK_MONOTONIC, &end);
    double seconds = (double)(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
    printf("files=%llu seconds=%.3f files_per_second=%.0f\n", files, seconds,
           seconds > 0 ? files / seconds : 0.0);
    return failed;
}
