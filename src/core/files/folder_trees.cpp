#include "core/files/folder_trees.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "core/files/file_ops.h"
#include "core/files/folder_listing.h"
#include "core/files/system_paths.h"

namespace {

struct folder_id {
    dev_t dev;
    ino_t ino;
    bool operator==(const folder_id& o) const { return dev == o.dev && ino == o.ino; }
};

// The listing follows links, so it cannot tell a link to a folder from a
// folder; deleting through such a link would empty a folder outside the tree.
bool is_real_folder(const std::string& path)
{
    std::string full = path;
    set_path_to_full(full);
    struct stat st;
    return lstat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool identify(const std::string& path, folder_id& id)
{
    std::string full = path;
    set_path_to_full(full);
    struct stat st;
    if (stat(full.c_str(), &st) != 0) return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

// `chain` holds the source and destination folders being copied into, from
// the top of the tree down: meeting one of them again means a link cycle
// or a destination inside its own source.
int copy_tree(const std::string& from, const std::string& to, std::vector<folder_id>& chain)
{
    if (!dir_exists(from)) return copy_file(from, to);

    auto on_chain = [&chain](const folder_id& id) {
        return std::find(chain.begin(), chain.end(), id) != chain.end();
    };
    size_t depth = chain.size();
    folder_id id;
    if (identify(from, id)) {
        if (on_chain(id)) return ELOOP;
        chain.push_back(id);
    }
    make_folder(to + "/");
    if (identify(to, id)) {
        if (on_chain(id)) {
            chain.resize(depth);
            return ELOOP;
        }
        chain.push_back(id);
    }

    std::vector<std::string> names;
    std::vector<int> types;
    opensave_getitems(from + "/", kFileTypeAny, names, types);
    int err = 0;
    for (const std::string& name : names)
        if ((err = copy_tree(from + "/" + name, to + "/" + name, chain)) != 0) break;
    chain.resize(depth);
    return err;
}

}  // namespace

int recursive_delete_folder(const std::string& folder)
{
    std::vector<std::string> names;
    std::vector<int> types;
    opensave_getitems(folder, kFileTypeAny, names, types);
    for (const std::string& name : names) {
        std::string entry = folder + name;
        int err = is_real_folder(entry) ? recursive_delete_folder(entry + "/") : delete_file(entry);
        if (err) return err;
    }
    return delete_file(folder);
}

int copy_file_recursive(const std::string& from, const std::string& to)
{
    std::vector<folder_id> chain;
    return copy_tree(from, to, chain);
}
