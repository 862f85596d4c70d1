#include "engine/destination_unpack.h"

#include <cerrno>

#include "core/archives/archives.h"
#include "engine/destination_guard.h"

int unpack_to_destination(const std::string& archive, const std::string& destination,
                          std::string& folder)
{
    // A '/' that ends the path is not a split point.
    const size_t slash =
        destination.size() > 1 ? destination.rfind('/', destination.size() - 2) : std::string::npos;
    folder = slash == std::string::npos ? std::string() : destination.substr(0, slash + 1);

    if (!inside_destination(destination)) return EACCES;
    if (archive.size() >= 3 && archive.compare(archive.size() - 3, 3, ".7z") == 0)
        return p7z_to_file(archive, folder, nullptr, 0);
    return zip_to_file(archive, folder, nullptr, 0);
}
