#include "archive_builders.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <utility>

namespace archive_fixtures {

namespace {

void put16(std::string& out, uint32_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void set32(std::string& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint64_t get64(const std::string& in, size_t at)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(in[at + i]);
    return v;
}

}  // namespace

// zlib's, which no sanitizer slows: the tests checksum headers of 34 MiB.
uint32_t crc32_of(const std::string& bytes)
{
    return static_cast<uint32_t>(
        crc32_z(crc32_z(0, nullptr, 0), reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

std::string with_comment(std::string zip, const std::string& comment)
{
    // The end record's last field is the comment's length; the comment
    // follows it to the archive's end.
    zip.at(zip.size() - 2) = static_cast<char>(comment.size() & 0xff);
    zip.at(zip.size() - 1) = static_cast<char>(comment.size() >> 8);
    return zip + comment;
}

std::string make_zip(const std::vector<zip_entry>& entries)
{
    std::string out, central;
    // 2001-02-03 04:05:06 in DOS form.
    const uint32_t dos_time = (4 << 11) | (5 << 5) | (6 / 2);
    const uint32_t dos_date = ((2001 - 1980) << 9) | (2 << 5) | 3;
    for (const zip_entry& e : entries) {
        uint32_t crc = crc32_of(e.data) ^ (e.bad_crc ? 1u : 0u);
        uint32_t size = e.claimed_size ? e.claimed_size : static_cast<uint32_t>(e.data.size());
        uint32_t offset = static_cast<uint32_t>(out.size());
        put32(out, 0x04034b50);
        put16(out, 20); put16(out, 0); put16(out, 0);  // version, flags, stored
        put16(out, dos_time); put16(out, dos_date);
        put32(out, crc); put32(out, size); put32(out, size);
        put16(out, static_cast<uint32_t>(e.name.size())); put16(out, 0);
        out += e.name;
        out += e.data;

        put32(central, 0x02014b50);
        put16(central, (3 << 8) | 20);  // made on Unix
        put16(central, 20); put16(central, 0); put16(central, 0);
        put16(central, dos_time); put16(central, dos_date);
        put32(central, crc); put32(central, size); put32(central, size);
        put16(central, static_cast<uint32_t>(e.name.size()));
        put16(central, 0); put16(central, 0); put16(central, 0); put16(central, 0);
        put32(central, e.external_attrs);
        put32(central, offset);
        central += e.name;
    }
    uint32_t central_at = static_cast<uint32_t>(out.size());
    out += central;
    put32(out, 0x06054b50);
    put16(out, 0); put16(out, 0);
    uint32_t count = static_cast<uint32_t>(entries.size());
    put16(out, count); put16(out, count);
    put32(out, static_cast<uint32_t>(central.size())); put32(out, central_at);
    put16(out, 0);
    return out;
}

std::string make_7z(const std::vector<std::pair<std::string, std::string>>& files)
{
    testing_support::scratch_dir dir;
    std::string list;
    for (const auto& [name, data] : files) {
        testing_support::write_file(dir / ("in/" + name), data);
        list += " '" + name + "'";
    }
    auto run = testing_support::run_shell(
        "cd '" + dir / "in" + "' && 7zz a -bd -bso0 -t7z -mhc=off -ms=on ../x.7z "
        "-m0=BCJ2 -m1=LZMA:d25 -m2=LZMA:d19 -m3=LZMA:d19 -mb0:1 -mb0s1:2 -mb0s2:3" + list);
    EXPECT_EQ(run.status, 0) << run.out;
    return testing_support::read_file(dir / "x.7z");
}

std::string rename_in_7z(std::string archive, const std::string& from, const std::string& to)
{
    EXPECT_EQ(from.size(), to.size());
    auto utf16 = [](const std::string& s) {
        std::string out;
        for (char c : s) { out += c; out += '\0'; }
        return out;
    };
    return patch_7z_header(std::move(archive), [&](std::string& header) {
        const size_t at = header.find(utf16(from));
        EXPECT_NE(at, std::string::npos) << "name " << from << " not in the header";
        if (at != std::string::npos) header.replace(at, 2 * from.size(), utf16(to));
    });
}

std::string patch_7z_header(std::string archive, const std::function<void(std::string& header)>& patch)
{
    // Start header: signature (6), version (2), start CRC (4), next header
    // offset (8), size (8) and CRC (4), the last three covered by the start CRC.
    const uint64_t header_at = 32 + get64(archive, 12);
    std::string header = archive.substr(header_at, get64(archive, 20));
    patch(header);
    archive.replace(header_at, header.size(), header);
    set32(archive, 28, crc32_of(header));
    set32(archive, 8, crc32_of(archive.substr(12, 20)));
    return archive;
}

// -- 7z archives written byte by byte ---

std::string seven_zip_number(uint64_t v)
{
    int extra = 0;
    while (extra < 8 && v >> (7 * (extra + 1)) != 0) ++extra;
    std::string out(1, static_cast<char>(extra == 8 ? 0xFF : ((0xFF00 >> extra) & 0xFF) | v >> (8 * extra)));
    for (int i = 0; i < extra; ++i) out += static_cast<char>(v >> (8 * i));
    return out;
}

std::string with_7z_header(std::string archive, size_t at, const std::string& header)
{
    archive.resize(at);
    archive += header;
    for (int i = 0; i < 8; ++i) {
        archive[12 + i] = static_cast<char>(static_cast<uint64_t>(at - 32) >> (8 * i));
        archive[20 + i] = static_cast<char>(static_cast<uint64_t>(header.size()) >> (8 * i));
    }
    set32(archive, 28, crc32_of(header));
    set32(archive, 8, crc32_of(archive.substr(12, 20)));
    return archive;
}

std::string hand_made_7z(const std::vector<hand_folder>& folders, const std::vector<hand_file>& files,
                         uint64_t first_pack_claim)
{
    std::string packs, pack_sizes, coders, sizes, counts, file_sizes;
    size_t pack_count = 0;
    bool counted = false;
    for (const hand_folder& f : folders) {
        for (const std::string& p : f.packs) {
            pack_sizes += seven_zip_number(packs.empty() && first_pack_claim ? first_pack_claim : p.size());
            packs += p;
            ++pack_count;
        }
        coders += f.coders;
        for (const uint64_t size : f.sizes) sizes += seven_zip_number(size);
        counts += seven_zip_number(f.files.empty() ? 1 : f.files.size());
        for (size_t i = 0; i + 1 < f.files.size(); ++i) file_sizes += seven_zip_number(f.files[i]);
        counted = counted || f.files.size() > 1;
    }
    std::string h = std::string("\x01\x04\x06\x00", 4) + seven_zip_number(pack_count) + "\x09" + pack_sizes;
    h += std::string("\x00\x07\x0B", 3) + seven_zip_number(folders.size()) + '\0' + coders + "\x0C" + sizes;
    h += std::string("\x00\x08", 2) + (counted ? "\x0D" + counts + "\x09" + file_sizes : "") + std::string(2, '\0');
    std::string names(1, '\0'), attributes = std::string("\x01\x00", 2);
    std::string no_stream((files.size() + 7) / 8, '\0');
    bool attributed = false, any_empty = false;
    for (size_t i = 0; i < files.size(); ++i) {
        const hand_file& f = files[i];
        for (const char c : f.name) names += std::string{c, '\0'};
        names += std::string(2, '\0');
        put32(attributes, f.attributes ? f.attributes : 0x20);  // else only "archive", as Windows marks a file
        attributed = attributed || f.attributes;
        if (f.empty) no_stream[i / 8] = static_cast<char>(no_stream[i / 8] | 0x80 >> i % 8);
        any_empty = any_empty || f.empty;
    }
    h += "\x05" + seven_zip_number(files.size());
    if (any_empty) {
        // Each a file, not a folder: that list counts the empty ones alone.
        const auto empties = std::count_if(files.begin(), files.end(), [](const hand_file& f) { return f.empty; });
        const std::string all_files(static_cast<size_t>(empties + 7) / 8, '\xFF');
        h += "\x0E" + seven_zip_number(no_stream.size()) + no_stream;
        h += "\x0F" + seven_zip_number(all_files.size()) + all_files;
    }
    h += "\x11" + seven_zip_number(names.size()) + names;
    if (attributed) h += "\x15" + seven_zip_number(attributes.size()) + attributes;
    const std::string start = std::string("7z\xBC\xAF\x27\x1C\x00\x04", 8) + std::string(24, '\0');
    return with_7z_header(start + packs, 32 + packs.size(), h + std::string(2, '\0'));
}

std::string lzma2_coder() { return std::string("\x21\x21\x01\x18", 4); }

// -- A gigabyte of zeros ---

namespace {

// The large fixture `name`, which `command` writes as "out" in a scratch
// folder it runs in.
std::string made_by_shell(const std::string& name, const std::string& command)
{
    const std::string path = testing_support::large_fixture(name, [&](const std::string& part) {
        testing_support::scratch_dir dir;
        const auto made =
            testing_support::run_shell("cd '" + dir.path() + "' && " + command + " && mv -f out '" + part + "'");
        EXPECT_EQ(made.status, 0) << made.out;
        return made.status == 0;
    });
    EXPECT_NE(path, "") << name;
    return path;
}

// The LZMA2 stream python's lzma module makes of `plain` (a Python
// expression), with a dictionary of 16 MiB.
std::string lzma2_by_python(const std::string& plain)
{
    testing_support::scratch_dir dir;
    const auto made = testing_support::run_shell(
        "cd '" + dir.path() + "' && python3 -c \"import lzma\n"
        "open('out', 'wb').write(lzma.compress(" + plain + ", format=lzma.FORMAT_RAW, "
        "filters=[{'id': lzma.FILTER_LZMA2, 'preset': 9, 'dict_size': 1 << 24}]))\"");
    EXPECT_EQ(made.status, 0) << made.out;
    return testing_support::read_file(dir / "out");
}

}  // namespace

std::string lzma2_of(const std::string& plain)
{
    testing_support::scratch_dir dir;
    testing_support::write_file(dir / "in", plain);
    return lzma2_by_python("open('" + dir / "in" + "', 'rb').read()");
}

std::string lzma2_zeros(uint64_t bytes)
{
    constexpr uint64_t kPiece = 8 << 20;
    static const std::string piece = [] {
        std::string ended = lzma2_by_python("bytes(" + std::to_string(kPiece) + ")");
        EXPECT_TRUE(!ended.empty() && ended.back() == '\0');
        ended.pop_back();
        return ended;
    }();
    std::string out;
    for (uint64_t made = 0; made < bytes; made += kPiece) out += piece;
    return out;
}

std::string lzma2_going_on(const std::string& plain, uint64_t zeros)
{
    std::string packed = lzma2_of(plain);
    packed.pop_back();  // its end
    return packed + lzma2_zeros(zeros) + '\0';
}

hand_folder lzma2_folder(const std::string& plain, uint64_t zeros)
{
    return {"\x01" + lzma2_coder(), {zeros ? lzma2_going_on(plain, zeros) : lzma2_of(plain)}, {plain.size()}, {}};
}

hand_folder ppmd_zeros_folder(uint64_t bytes, uint64_t claim)
{
    // 7zz packs a sparse file; its one pack stream lies between the start
    // header and the header, which 7zz writes last.
    testing_support::scratch_dir dir;
    const auto made = testing_support::run_shell(
        "cd '" + dir.path() + "' && truncate -s " + std::to_string(bytes) +
        " z && 7zz a -bd -bso0 -t7z -mhc=off -m0=PPMd:o=6:mem=16m x.7z z");
    EXPECT_EQ(made.status, 0) << made.out;
    const std::string archive = testing_support::read_file(dir / "x.7z");
    const std::string stream = archive.substr(32, get64(archive, 12));
    return {std::string("\x01\x23\x03\x04\x01\x05\x06\x00\x00\x00\x01", 11), {stream}, {claim ? claim : bytes}, {}};
}

std::string going_on_for_gigabytes(const std::vector<hand_file>& passed, const hand_file& file,
                                   const std::string& data, bool solid)
{
    const auto going_on = [&](const std::string& plain) { return lzma2_going_on(plain, kGoingOn); };
    const uint64_t kEach = 4096;
    std::vector<hand_folder> folders;
    std::vector<hand_file> files = passed;
    files.push_back(file);
    if (solid) {
        std::vector<uint64_t> sizes(passed.size(), kEach);
        sizes.push_back(data.size());
        const std::string plain = std::string(passed.size() * kEach, '\0') + data;
        folders.push_back({"\x01" + lzma2_coder(), {going_on(plain)}, {plain.size()}, sizes});
    } else {
        const std::string each = going_on(std::string(kEach, '\0'));
        for (size_t i = 0; i < passed.size(); ++i) folders.push_back({"\x01" + lzma2_coder(), {each}, {kEach}, {}});
        folders.push_back({"\x01" + lzma2_coder(), {lzma2_of(data)}, {data.size()}, {}});
    }
    return hand_made_7z(folders, files);
}

std::string zeros_zip()
{
    return made_by_shell("zeros-1g.zip",
                         "python3 -c \"import zipfile\n"
                         "with zipfile.ZipFile('out', 'w', zipfile.ZIP_DEFLATED, compresslevel=1) as z:\n"
                         "    i = zipfile.ZipInfo('zeros.bin', (2024, 1, 1, 0, 0, 0)); i.compress_type = zipfile.ZIP_DEFLATED\n"
                         "    i.external_attr = 0o644 << 16\n"
                         "    with z.open(i, 'w') as f:\n"
                         "        block = bytes(1 << 20)\n"
                         "        for n in range(1024): f.write(block)\n\"");
}

// Of a sparse file, so making it writes nothing; "-si" would record a pipe.
std::string zeros_7z()
{
    return made_by_shell("zeros-1g.7z", "truncate -s " + std::to_string(kZerosSize) +
                                            " zeros.bin && 7zz a -t7z -m0=LZMA:d20 -mx1 -bso0 -bsp0 out.7z zeros.bin && "
                                            "mv out.7z out");
}

std::string zeros_7z_at_most(const std::string& coder)
{
    return made_by_shell("zeros-1g-" + coder + "-mx9.7z",
                         "truncate -s " + std::to_string(kZerosSize) + " a.bin && 7zz a -bd -bso0 -t7z -mx=9 -mmt=2 -m0=" +
                             coder + " out.7z a.bin && mv out.7z out");
}

}  // namespace archive_fixtures
