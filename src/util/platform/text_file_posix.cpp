#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "util/platform/text_file.h"
#include "util/utf.h"

namespace kavo {

std::FILE* OpenTextFileForWriting(const std::u16string& path) {
    // Without O_NONBLOCK, opening a named pipe for writing waits for a reader.
    const int fd = open(Utf16ToPathBytes(path).c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat status {};
    const bool regular = fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    const int flags = regular ? fcntl(fd, F_GETFL) : -1;
    // Only a regular file is truncated, and then written with ordinary blocking writes.
    const bool ready = regular && flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 && ftruncate(fd, 0) == 0;
    std::FILE* file = ready ? fdopen(fd, "w") : nullptr;
    if (!file) close(fd);
    return file;
}

}  // namespace kavo
