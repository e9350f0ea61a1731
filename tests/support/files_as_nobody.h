#pragma once
// Root opens and reads any file, so a test of what a user without permission
// sees cannot run as root as it is. For as long as this lives, the calling
// thread opens files with the ids of nobody, which also drops root's right
// to override file modes; run as another user it does nothing.
#include <sys/fsuid.h>
#include <unistd.h>

namespace zu::test {

class FilesAsNobodyWhenRoot {
  public:
    FilesAsNobodyWhenRoot() {
        if (root_) {
            setfsgid(kNobody);
            setfsuid(kNobody);
        }
    }
    ~FilesAsNobodyWhenRoot() {
        if (root_) {
            setfsuid(0);
            setfsgid(0);
        }
    }
    FilesAsNobodyWhenRoot(const FilesAsNobodyWhenRoot&) = delete;
    FilesAsNobodyWhenRoot& operator=(const FilesAsNobodyWhenRoot&) = delete;

  private:
    static constexpr unsigned kNobody = 65534;
    const bool root_ = ::geteuid() == 0;
};

} // namespace zu::test
