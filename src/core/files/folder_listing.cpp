#include "core/files/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "core/shell_hooks.h"
#include "core/files/system_paths.h"

namespace {

struct suffix_type {
    char suffix[5];
    int type;
};

const suffix_type kSuffixes[] = {
    {".BMP", 2},  {".PNG", 2},  {".ACF", 3},  {".AFL", 4},  {".WPN", 5},  {".WAV", 6},
    {".OBJ", 7},  {".FDR", 8},  {".SIT", 9},  {".SMO", 10}, {".FMS", 11}, {".TRA", 13},
    {".CAR", 14}, {".SPA", 15}, {".REG", 16}, {".DSF", 17}, {".HGT", 18}, {".TXT", 19},
};

char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool starts_with_ignoring_case(const std::string& s, const char* prefix)
{
    size_t n = std::strlen(prefix);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (ascii_lower(s[i]) != ascii_lower(prefix[i])) return false;
    return true;
}

// Bytes are compared as signed values, so the bytes of non-ASCII UTF-8
// characters sort before every ASCII character.
bool sorts_before(const std::string& a, const std::string& b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto x = static_cast<signed char>(a[i]), y = static_cast<signed char>(b[i]);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

int list_commands(const std::string& path, int file_type, std::vector<std::string>& names,
                  std::vector<int>& types)
{
    if (file_type == kFileTypeCommands) UTL_commands_in_path(path, names);
    types.assign(names.size(), file_type);
    for (size_t i = 0; i < names.size(); ++i)
        if (!names[i].empty() && names[i].back() == '/') {
            names[i].pop_back();
            types[i] = kFileTypeFolder;
        }
    return static_cast<int>(names.size());
}

}  // namespace

// The exchange procedure of the sort, for each name i in the listing's
// order and each j before it, "if i sorts before j, exchange them", makes
// one comparison for every pair: seconds for a folder of some ten thousand
// names, on every frame of the file chooser.  What it leaves is known
// without the pairs.  The names before i are always in order, and the
// exchanges insert i behind every name it does not sort before; each run of
// names equal to one another (those that differ only in letter case) that
// lies behind i then has its first name carried past the others, to its
// end.  So names come out by their keys, and each run of equal ones in the
// order of this: a name of the run joins it at its end, and every smaller
// name that the listing holds later turns the names already there by one.
namespace {

// Counts over places 0..size-1.
class place_counts {
public:
    explicit place_counts(size_t size) : tree_(size + 1, 0) {}
    void add(size_t place, int count)
    {
        for (++place; place < tree_.size(); place += place & (~place + 1)) tree_[place] += count;
    }
    // The sum over the places before `end`.
    int before(size_t end) const
    {
        int sum = 0;
        for (; end > 0; end -= end & (~end + 1)) sum += tree_[end];
        return sum;
    }
    // The first place at which the sum up to it, itself included, passes `count`.
    size_t passing(int count) const
    {
        size_t place = 0, step = 1;
        while (step * 2 < tree_.size()) step *= 2;
        for (; step > 0; step /= 2)
            if (place + step < tree_.size() && tree_[place + step] <= count) count -= tree_[place += step];
        return place;
    }

private:
    std::vector<int> tree_;
};

// The order that the turns leave a run of `count` equal names in, the
// run's names given in the listing's order, `turns[m]` the turns between
// its name m and the next (after the last: to the end): places in the run.
std::vector<size_t> run_order(const std::vector<size_t>& turns)
{
    const size_t count = turns.size();
    // The run as a ring read from a head: a name joins just before the head,
    // a turn moves the head on.  Where each name went into the ring as it
    // then was is enough to place them all, the last first.
    std::vector<size_t> joined_at(count);
    size_t head = 0;
    for (size_t m = 0; m < count; ++m) {
        joined_at[m] = m ? head++ : 0;
        head = (head + turns[m]) % (m + 1);
    }
    place_counts free(count);
    for (size_t i = 0; i < count; ++i) free.add(i, 1);
    std::vector<size_t> ring(count);
    for (size_t m = count; m-- > 0;) {
        const size_t at = free.passing(static_cast<int>(joined_at[m]));
        ring[at] = m;
        free.add(at, -1);
    }
    std::vector<size_t> order(count);
    for (size_t i = 0; i < count; ++i) order[i] = ring[(head + i) % count];
    return order;
}

}  // namespace

void opensave_sort(std::vector<std::string>& names, std::vector<int>& types)
{
    const size_t count = names.size();
    std::vector<std::string> keys(names);
    for (std::string& key : keys)
        for (char& c : key) c = ascii_lower(c);
    std::vector<size_t> by_key(count);
    for (size_t i = 0; i < count; ++i) by_key[i] = i;
    std::sort(by_key.begin(), by_key.end(), [&keys](size_t a, size_t b) {
        if (sorts_before(keys[a], keys[b])) return true;
        return !sorts_before(keys[b], keys[a]) && a < b;
    });
    // How many names sort before each one's key, and how many of those the
    // listing holds before it.
    std::vector<size_t> smaller(count), smaller_earlier(count);
    for (size_t s = 0; s < count; ++s)
        smaller[by_key[s]] = s > 0 && keys[by_key[s]] == keys[by_key[s - 1]] ? smaller[by_key[s - 1]] : s;
    place_counts listed(count);
    for (size_t i = 0; i < count; ++i) {
        smaller_earlier[i] = static_cast<size_t>(listed.before(smaller[i]));
        listed.add(smaller[i], 1);
    }
    std::vector<std::string> sorted_names;
    std::vector<int> sorted_types;
    sorted_names.reserve(count);
    sorted_types.reserve(count);
    std::vector<size_t> turns;
    for (size_t first = 0, end; first < count; first = end) {
        for (end = first + 1; end < count && smaller[by_key[end]] == smaller[by_key[first]];) ++end;
        turns.clear();
        for (size_t s = first; s < end; ++s)
            turns.push_back((s + 1 < end ? smaller_earlier[by_key[s + 1]] : smaller[by_key[s]]) -
                            smaller_earlier[by_key[s]]);
        for (const size_t m : run_order(turns)) {
            sorted_names.push_back(std::move(names[by_key[first + m]]));
            sorted_types.push_back(types[by_key[first + m]]);
        }
    }
    names.swap(sorted_names);
    types.swap(sorted_types);
}

bool opensave_takeit(const std::string& path, const std::string& name, int file_type, int& type)
{
    if (name.size() >= 4) {
        char suffix[5] = {};
        for (int i = 0; i < 4; ++i) suffix[i] = ascii_upper(name[name.size() - 4 + i]);
        for (const suffix_type& known : kSuffixes)
            if (std::strcmp(suffix, known.suffix) == 0) type = known.type;
    }

    if (file_type == kFileTypePanel) {
        // The panel's own folder and its numbered layers are not pictures a
        // user picks.
        std::string joined = path + name;
        if (starts_with_ignoring_case(joined, "Resources/bitmaps/cockpit/-panel")) return false;
        if (joined.size() >= 6) {
            std::string layer = joined.substr(joined.size() - 6, 3);
            if (layer == "-1." || layer == "-2." || layer == "-3." || layer == "-4.") return false;
        }
    }

    if (name.empty() || name[0] == '.') return false;
    if (type == kFileTypeFolder || type == file_type || file_type == kFileTypeAny) return true;
    return file_type == kFileTypePanel && type == kFileTypeImage;
}

int opensave_getitems(const std::string& path, int file_type, std::vector<std::string>& names,
                      std::vector<int>& types)
{
    names.clear();
    types.clear();
    if (file_type == kFileTypeCommands || file_type == kFileTypeNoCommands)
        return list_commands(path, file_type, names, types);

    std::string full = path;
    set_path_to_full(full);
    if (full.size() >= 2 && full.back() != '/') {
        __MACIBM_alert(0, "Working path does not appear to be a directory!",
                       "This is not consistent with my labelling practices!",
                       "I need to end all paths with the directory indicator!", path, 2, __FILE__,
                       __LINE__);
        return 0;
    }

    // The empty path names no folder: a caller that walks or deletes what
    // it lists must not be handed the program's own folder by mistake.
    // The file chooser, for which "" is the program's folder, says so.
    if (full.empty()) return 0;
    DIR* dir = opendir(full.c_str());
    if (!dir) return 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;  // never listed: spare the stat
        struct stat st;
        if (fstatat(dirfd(dir), entry->d_name, &st, 0) != 0) continue;  // a dangling link
        names.emplace_back(entry->d_name);
        types.push_back(S_ISDIR(st.st_mode) ? kFileTypeFolder : kFileTypeAny);
        if (!opensave_takeit(path, names.back(), file_type, types.back())) {
            names.pop_back();
            types.pop_back();
        }
    }
    closedir(dir);

    opensave_sort(names, types);
    return static_cast<int>(names.size());
}
