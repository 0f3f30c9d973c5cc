/* Builds a tree DEPTH folders deep under ROOT: ROOT/d/d/.../d, each folder holding one
 * file f.txt. The path of the bottom folder is far longer than the system accepts in one
 * piece, so the tree is made one folder at a time, each relative to its parent.
 *
 *   deep_tree ROOT DEPTH
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: deep_tree ROOT DEPTH\n");
        return 2;
    }
    const long depth = strtol(argv[2], NULL, 10);
    mkdir(argv[1], 0755);
    int fd = open(argv[1], O_RDONLY | O_DIRECTORY);
    for (long level = 0; fd >= 0 && level < depth; ++level) {
        if (mkdirat(fd, "d", 0755) != 0) {
            perror("mkdirat");
            return 1;
        }
        close(openat(fd, "f.txt", O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
        const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
    }
    if (fd < 0) {
        perror("openat");
        return 1;
    }
    close(fd);
    return 0;
}
