#include "engine/picture_lock.h"

namespace moksel {

std::mutex& pictureLock(int camera) {
    static std::mutex locks[2];
    return locks[camera == 0 ? 0 : 1];
}

}  // namespace moksel
