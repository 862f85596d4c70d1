// The 7z headers read as far as their coders, their files and the sizes
// the archive library will allocate by, every read bounded by the bytes at
// hand and every count by what an archive of a release holds: a header is
// untrusted input.  Where the library reads a header otherwise than the
// format lays it out, it is read here as the library reads it: what counts
// is what the library will do.
//
//   -- Reading the header's numbers ---
//   -- Coders and folders ---
//   -- Weighing ---
//   -- Files ---
//   -- A compressed header ---
//   -- check_7z_coders ---
#include "core/archives/seven_zip_coders.h"

#include <lzma.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/archives/archive_reader.h"
#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/file_ops.h"

namespace {

// Property ids of the header, as the 7z format numbers them.
enum : uint8_t {
    kEnd = 0x00,
    kHeader = 0x01,
    kArchiveProperties = 0x02,
    kAdditionalStreamsInfo = 0x03,
    kMainStreamsInfo = 0x04,
    kFilesInfo = 0x05,
    kPackInfo = 0x06,
    kUnpackInfo = 0x07,
    kSubStreamsInfo = 0x08,
    kSize = 0x09,
    kCrc = 0x0A,
    kFolder = 0x0B,
    kCodersUnpackSize = 0x0C,
    kNumUnpackStream = 0x0D,
    kEmptyStream = 0x0E,
    kEmptyFile = 0x0F,
    kAnti = 0x10,
    kNames = 0x11,
    kCTime = 0x12,
    kATime = 0x13,
    kMTime = 0x14,
    kAttributes = 0x15,
    kEncodedHeader = 0x17,
};

constexpr unsigned char kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr size_t kStartHeaderBytes = 32;

// -- Reading the header's numbers ---

uint32_t little_endian_32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

uint64_t little_endian_64(const uint8_t* p)
{
    return little_endian_32(p) | uint64_t{little_endian_32(p + 4)} << 32;
}

struct header_bytes {
    const uint8_t* at;
    const uint8_t* end;
    bool ok = true;
    bool over_bound = false;  // a count past what an archive of ours holds
    const char* fault = nullptr;  // what else is wrong, where it is known

    // Stops the reading for `why`.
    bool damaged(const char* why)
    {
        ok = false;
        fault = why;
        return false;
    }

    uint8_t byte()
    {
        if (at >= end) {
            ok = false;
            return 0;
        }
        return *at++;
    }
    // The format's variable-length number: the leading one bits of the
    // first byte count the bytes that follow, least significant first.
    uint64_t number()
    {
        const uint8_t first = byte();
        uint64_t value = 0;
        for (int i = 0; i < 8; ++i) {
            const uint8_t mask = static_cast<uint8_t>(0x80 >> i);
            if (!(first & mask)) return value | (uint64_t{first & (mask - 1u)} << (8 * i));
            value |= uint64_t{byte()} << (8 * i);
        }
        return value;
    }
    // A count of things that each take at least a byte, held to `most`
    // before anything is sized by it, and never more than the bytes left.
    uint64_t count(uint64_t most = UINT64_MAX)
    {
        const uint64_t n = bounded(most);
        if (n > static_cast<uint64_t>(end - at)) ok = false;
        return ok ? n : 0;
    }
    // A count of things that need take no bytes here, held to `most`.
    uint64_t bounded(uint64_t most)
    {
        const uint64_t n = number();
        over_bound = over_bound || (ok && n > most);
        ok = ok && !over_bound;
        return ok ? n : 0;
    }
    uint64_t left() const { return static_cast<uint64_t>(end - at); }
    uint32_t little_endian()
    {
        if (left() < 4) {
            ok = false;
            at = end;
            return 0;
        }
        at += 4;
        return little_endian_32(at - 4);
    }
    void skip(uint64_t n)
    {
        if (n > left()) {
            ok = false;
            at = end;
        } else {
            at += n;
        }
    }
    // A bit for each entry of `bits`, the first the high one, in whole bytes.
    void read_bits(std::vector<bool>& bits)
    {
        uint8_t current = 0;
        for (size_t i = 0; i < bits.size() && ok; ++i) {
            if (i % 8 == 0) current = byte();
            bits[i] = (current >> (7 - i % 8)) & 1u;
        }
    }
    // "All" or a bit field, for `n` entries: which of them are there.
    std::vector<bool> defined(uint64_t n)
    {
        const bool all = byte() != 0;
        std::vector<bool> which(n, all);
        if (!all) read_bits(which);
        return which;
    }
    // A digest list: which are there, then a CRC each.
    std::vector<bool> skip_digests(uint64_t n)
    {
        std::vector<bool> which = defined(n);
        skip(4 * static_cast<uint64_t>(std::count(which.begin(), which.end(), true)));
        return which;
    }
};

// -- Coders and folders ---

struct coder {
    uint64_t id = 0;  // its bytes read as one big-endian number, as decoders do
    std::vector<uint8_t> properties;
    uint64_t first_input = 0;  // the place of its first input among its folder's
    uint64_t inputs = 1;       // its one output's place is its own
};

// How the library reads one of a folder's pack streams.
struct pack_reading {
    size_t coder = 0;    // the coder it decodes it with, or, past the coders, none: copied as it stands
    bool whole = false;  // into memory, before the folder's first byte (BCJ2's calls, jumps and range coder)
};

struct folder {
    std::vector<coder> coders;
    std::vector<uint64_t> unpack_sizes;  // of each coder's output, in turn
    // Each binding feeds an output into another coder's input.
    std::vector<std::pair<uint64_t, uint64_t>> bindings;  // (input, output)
    uint64_t final_output = 0;  // the one output no coder takes
    std::vector<pack_reading> packs;  // its pack streams, in turn, as the library reads them
    uint64_t first_pack = 0;    // the index of the first of them
    uint64_t packed_bytes = 0;  // what they hold

    // What the library takes for the folder's size.
    uint64_t size() const { return output_of(final_output); }
    uint64_t output_of(size_t c) const { return c < unpack_sizes.size() ? unpack_sizes[c] : 0; }
    // The coder the library decodes `p` with, and what that coder claims
    // to make of it: none, and nothing, where it copies the stream.
    const coder* decoder_of(const pack_reading& p) const
    {
        return p.coder < coders.size() ? &coders[p.coder] : nullptr;
    }
    uint64_t claim_of(const pack_reading& p) const { return decoder_of(p) ? output_of(p.coder) : 0; }
    // The coder that takes `input`; its output's place too.
    size_t coder_taking(uint64_t input) const
    {
        size_t c = 0;
        while (c + 1 < coders.size() && coders[c + 1].first_input <= input) ++c;
        return c;
    }
};

// A file's data: its size, and the folder it lies in.
struct sub_stream {
    uint64_t size = 0;
    size_t folder = 0;
};

struct streams_info {
    uint64_t pack_position = 0;
    std::vector<uint64_t> pack_sizes;
    std::vector<folder> folders;
    std::vector<sub_stream> sub_streams;  // in the order files take them

    // The size of the `k`th pack stream of `f`; nothing past those listed.
    uint64_t pack_size(const folder& f, size_t k) const
    {
        return f.first_pack + k < pack_sizes.size() ? pack_sizes[f.first_pack + k] : 0;
    }
};

constexpr uint64_t kCopy = 0x00, kLzma = 0x030101, kLzma2 = 0x21, kPpmd = 0x030401, kBcj2 = 0x0303011B;

bool lzma_like(const coder& c) { return c.id == kLzma || c.id == kLzma2; }
bool expanding(const coder& c) { return lzma_like(c) || c.id == kPpmd; }

// Filters that give out as many bytes as they take: Copy, Delta, and the
// branch converters for x86 (BCJ), PowerPC, IA-64, ARM, ARM Thumb, SPARC,
// ARM64 and RISC-V, by their long ids and by the short ones 7-Zip also
// knows them by.
bool size_preserving(const coder& c)
{
    switch (c.id) {
    case 0x00: case 0x03: case 0x04: case 0x05: case 0x06: case 0x07: case 0x08: case 0x09: case 0x0A:
    case 0x0B: case 0x03030103: case 0x03030205: case 0x03030401: case 0x03030501: case 0x03030701:
    case 0x03030805: return true;
    default: return false;
    }
}

uint64_t saturating_times(uint64_t a, uint64_t b) { return b != 0 && a > UINT64_MAX / b ? UINT64_MAX : a * b; }
uint64_t saturating_plus(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }

// The dictionary or model memory a coder asks for; 0 for coders that take
// a fixed, small amount.
uint64_t memory_of(const coder& c)
{
    const std::vector<uint8_t>& p = c.properties;
    if ((c.id == kLzma || c.id == kPpmd) && p.size() >= 5) return little_endian_32(&p[1]);
    if (c.id == kLzma2 && !p.empty()) {
        const unsigned bits = p[0];
        if (bits > 40) return UINT64_MAX;
        return bits == 40 ? 0xFFFFFFFFull : uint64_t{2u | (bits & 1u)} << (bits / 2 + 11);
    }
    return 0;
}

// How the library (libarchive 3.6.2, setup_decode_folder) reads the pack
// streams of `f`, whose coders take `inputs` in all: by the places of its
// coders, whatever the bindings say.  Its first coder decodes every pack
// stream, in turn, through its second, a filter; BCJ2 it decodes only over
// four pack streams, in three forms, and refuses any other (false) before
// it reads a byte of the folder:
//  - BCJ2 after one coder: the coder decodes the first stream, and the
//    other three are copied whole;
//  - BCJ2 after three coders, the first binding feeding input 5, as 7-Zip
//    binds them: the third decodes the first stream, the second is copied
//    whole, the third decoded whole by the second coder, the fourth by the
//    first;
//  - BCJ2 after three coders bound otherwise, two of them Copy: the other
//    decodes the first stream, and the other three are copied whole.
// What the library decodes, and what it holds, is what costs, so that is
// what is weighed, where a header lies about the bindings too.
bool read_as_the_library_does(folder& f, uint64_t inputs)
{
    const size_t count = f.coders.size(), packs = inputs - (count - 1);
    const auto is = [&](size_t c, uint64_t id) { return f.coders[c].id == id; };
    const auto bcj2s = std::count_if(f.coders.begin(), f.coders.end(), [](const coder& c) { return c.id == kBcj2; });
    constexpr size_t kCopied = kMax7zCodersInFolder;
    const auto main_then_copies = [&](size_t main) {
        f.packs = {{main, false}, {kCopied, true}, {kCopied, true}, {kCopied, true}};
        return true;
    };
    if (bcj2s == 0) {
        f.packs.assign(packs, {0, false});
        return true;
    }
    if (bcj2s > 1) return false;
    if (count == 2 && is(1, kBcj2) && inputs == 5) return main_then_copies(0);
    if (count != 4 || !is(3, kBcj2) || inputs != 7) return false;
    if (f.bindings[0].first == 5) {
        f.packs = {{2, false}, {kCopied, true}, {1, true}, {0, true}};
        return true;
    }
    if (is(0, kCopy) && is(1, kCopy)) return main_then_copies(2);
    if (is(0, kCopy) && is(2, kCopy)) return main_then_copies(1);
    if (is(1, kCopy) && is(2, kCopy)) return main_then_copies(0);
    return false;
}

// A folder's coders, its bindings and its pack streams, every count and
// every place judged as it is read: 7-Zip gives each coder one output and
// up to four inputs, binds each input and each output at most once, and
// leaves exactly one output unbound, the folder's own.  Nothing read here
// needs a guard later.
bool read_folder(header_bytes& in, folder& f)
{
    const uint64_t count = in.count(kMax7zCodersInFolder);
    uint64_t inputs = 0;
    for (uint64_t i = 0; i < count && in.ok; ++i) {
        const uint8_t flags = in.byte();
        if (flags & 0xC0) return false;  // alternative methods: never written
        coder c;
        if ((flags & 0x0F) > 8) return false;
        for (int b = 0; b < (flags & 0x0F); ++b) c.id = c.id << 8 | in.byte();
        c.first_input = inputs;
        if (flags & 0x10) {
            c.inputs = in.number();
            if (in.ok && (c.inputs == 0 || c.inputs > kMax7zCoderStreams))
                return in.damaged("a coder takes no input or more than four");
            if (in.number() != 1 && in.ok) return in.damaged("a coder gives other than one output");
        }
        inputs += c.inputs;
        if (flags & 0x20) {
            const uint64_t size = in.count();
            if (in.ok && size > kMax7zCoderProperties)
                return in.damaged("a coder's properties are longer than 7-Zip writes");
            c.properties.assign(in.at, in.at + size);
            in.skip(size);
        }
        f.coders.push_back(std::move(c));
    }
    const uint64_t outputs = count;
    if (!in.ok || count == 0 || inputs < outputs) return false;
    f.unpack_sizes.resize(outputs);
    std::vector<bool> input_taken(inputs, false), output_taken(outputs, false);
    for (uint64_t pair = 0; pair + 1 < outputs; ++pair) {
        const uint64_t input = in.number(), output = in.number();
        if (!in.ok || input >= inputs || output >= outputs || input_taken[input] || output_taken[output]) return false;
        input_taken[input] = output_taken[output] = true;
        f.bindings.emplace_back(input, output);
    }
    f.final_output = static_cast<uint64_t>(std::find(output_taken.begin(), output_taken.end(), false) - output_taken.begin());
    // The inputs the pack streams feed: the library reads them by place,
    // but a header that lists them twice or out of range is damaged all
    // the same.
    const uint64_t packed = inputs - (outputs - 1);
    for (uint64_t i = 0; packed > 1 && i < packed; ++i) {
        const uint64_t input = in.number();
        if (!in.ok || input >= inputs || input_taken[input]) return false;
        input_taken[input] = true;
    }
    if (in.ok && !read_as_the_library_does(f, inputs))
        return in.damaged("a folder's BCJ2 streams are laid out in a way this program does not read");
    return in.ok;
}

// A filter that preserves sizes and claims to take other than it gives:
// 7-Zip calls its data damaged, and the library decodes the coder before it
// to the folder's final size whatever that coder claims, so that a claim
// of one byte could hide a dictionary filled to gigabytes.
bool filter_sizes_disagree(const folder& f)
{
    for (const auto& [input, output] : f.bindings) {
        const size_t taker = f.coder_taking(input);
        if (size_preserving(f.coders[taker]) && f.output_of(output) != f.output_of(taker)) return true;
    }
    return false;
}

// The sub-streams of the folders, each a file's data, one for each folder
// unless counted, and their sizes as the library sets them: a folder's
// listed sizes, then what is left of it; but a folder whose sizes are not
// listed gives one size, its whole, however many sub-streams it counts.
// A folder whose listed sizes claim more than it holds is damaged: the
// library would give its last file what is left below zero.  A folder
// whose digest the folder list gave (`folder_digests`) and that holds one
// sub-stream has its digest already; every other sub-stream's digest is
// listed here.
bool read_sub_streams(header_bytes& in, streams_info& info, const std::vector<bool>& folder_digests)
{
    std::vector<uint64_t> counts(info.folders.size(), 1);
    uint64_t all = counts.size();
    uint8_t id = in.byte();
    if (id == kNumUnpackStream) {
        all = 0;
        for (uint64_t& n : counts) {
            n = in.bounded(kMax7zSubStreams - all);
            all += n;
        }
        id = in.byte();
    }
    // Each sub-stream's folder goes by the counts, its size by the sizes
    // listed, one after another, as the library sets them.
    std::vector<sub_stream>& subs = info.sub_streams;
    subs.assign(all, {});
    size_t next = 0, placed = 0;
    for (size_t f = 0; f < counts.size() && in.ok; ++f) {
        if (counts[f] == 0) continue;
        for (uint64_t i = 0; i < counts[f]; ++i) subs[placed++].folder = f;
        const uint64_t whole = info.folders[f].size();
        uint64_t listed = 0;
        for (uint64_t i = 1; id == kSize && i < counts[f] && in.ok; ++i) {
            subs[next].size = in.number();
            if (subs[next].size > whole - listed) return false;
            listed += subs[next++].size;
        }
        subs[next++].size = whole - listed;
    }
    if (id == kSize) id = in.byte();
    if (id == kCrc) {
        uint64_t digests = 0;
        for (size_t f = 0; f < counts.size(); ++f)
            digests += counts[f] == 1 && f < folder_digests.size() && folder_digests[f] ? 0 : counts[f];
        in.skip_digests(digests);
        id = in.byte();
    }
    return in.ok && id == kEnd;
}

bool read_streams_info(header_bytes& in, streams_info& info)
{
    uint8_t id = in.byte();
    if (id == kPackInfo) {
        info.pack_position = in.number();
        const uint64_t count = in.count(kMax7zPackStreams);
        for (id = in.byte(); id != kEnd && in.ok; id = in.byte()) {
            // Listed once, as the library reads them: a pack stream's index
            // is in range of what the header counts.
            if (id == kSize && info.pack_sizes.empty()) {
                for (uint64_t i = 0; i < count && in.ok; ++i) info.pack_sizes.push_back(in.number());
            } else if (id == kCrc) {
                in.skip_digests(count);
            } else {
                return false;
            }
        }
        id = in.byte();
    }
    std::vector<bool> folder_digests;  // a folder per entry, whose digest was given
    if (id == kUnpackInfo) {
        if (in.byte() != kFolder) return false;
        const uint64_t folders = in.count(kMax7zFolders);
        if (in.byte() != 0) return false;  // folders kept elsewhere: never written
        info.folders.resize(folders);
        uint64_t packed = 0;
        for (folder& f : info.folders) {
            if (!read_folder(in, f)) return false;
            f.first_pack = packed;
            packed += f.packs.size();
        }
        // Each folder's pack streams must be there: the library looks up
        // their sizes by these places.
        if (packed > info.pack_sizes.size()) return false;
        for (folder& f : info.folders)
            for (size_t k = 0; k < f.packs.size(); ++k)
                f.packed_bytes = saturating_plus(f.packed_bytes, info.pack_size(f, k));
        if (in.byte() != kCodersUnpackSize) return false;
        for (folder& f : info.folders)
            for (uint64_t& size : f.unpack_sizes) size = in.number();
        folder_digests.assign(folders, false);
        id = in.byte();
        if (id == kCrc) {
            folder_digests = in.skip_digests(folders);
            id = in.byte();
        }
        if (id != kEnd) return false;
        id = in.byte();
    }
    if (id == kSubStreamsInfo) {
        if (!read_sub_streams(in, info, folder_digests)) return false;
        id = in.byte();
    }
    return in.ok && id == kEnd;
}

// The first coder of `info` that asks for more than 7zz would name for its
// folder's data, or null.
const coder* greedy_coder(const streams_info& info)
{
    for (const folder& f : info.folders)
        for (const coder& c : f.coders)
            if (memory_of(c) > seven_zip_coder_allowance(c.id, f.size())) return &c;
    return nullptr;
}

// The first coder of `info` that claims to make more of its folder's
// packed bytes than any coder can, or null; its claim and those bytes.
const coder* overclaiming_coder(const streams_info& info, uint64_t& claim, uint64_t& packed)
{
    for (const folder& f : info.folders)
        for (size_t c = 0; c < f.coders.size(); ++c)
            if (expanding(f.coders[c]) && f.output_of(c) > saturating_times(f.packed_bytes, kMax7zExpansion)) {
                claim = f.output_of(c);
                packed = f.packed_bytes;
                return &f.coders[c];
            }
    return nullptr;
}

// A BCJ2 side stream of a folder, which the library allocates whole and
// fills before the folder's first byte: what it holds, and the coder it
// is decoded with (null where it is copied as it stands).
struct bcj2_side {
    uint64_t size;
    const coder* decoder;
};

// Those of `f`, none when it has no BCJ2 (read_as_the_library_does).
std::vector<bcj2_side> bcj2_sides(const streams_info& info, const folder& f)
{
    std::vector<bcj2_side> sides;
    for (size_t k = 0; k < f.packs.size(); ++k) {
        const pack_reading& p = f.packs[k];
        if (p.whole) sides.push_back({f.decoder_of(p) ? f.claim_of(p) : info.pack_size(f, k), f.decoder_of(p)});
    }
    return sides;
}

// The largest side stream of any folder.
uint64_t largest_bcj2_side(const streams_info& info)
{
    uint64_t largest = 0;
    for (const folder& f : info.folders)
        for (const bcj2_side& side : bcj2_sides(info, f)) largest = std::max(largest, side.size);
    return largest;
}

// -- Weighing ---

// What decoding holds resident and reserves, as the library decodes: one
// folder at a time, and in it one coder at a time, each stream ended as
// the next is set up; but it ends an LZMA stream only when the next LZMA
// stream begins, and a PPMd model only for the next model, so the largest
// dictionary may stay beside the largest model.  A folder's side streams
// go with it, and the header besides: the library copies the names out of
// it whole and reads each other part in one piece, as large as the part,
// whose buffer it keeps, so the parts it holds add up to the header at
// most.  A plain header's pieces come from the library's read-ahead, whose
// buffer doubles up to the largest piece and is copied into the new one,
// so that one piece may reserve twice its size: the header counts twice in
// address space.  A dictionary and a model are reserved whole, and filled
// as their coder goes:
//  - a dictionary as far as its coder decodes.  The library decodes a
//    packed stream to its end, discarding what passes the size its folder
//    claims, so no claim bounds it; the folder's packed bytes do
//    (kMax7zExpansion), which the check holds within the archive's own
//    bytes: pack streams that would end past it are refused.
//  - a model as it learns, which no multiple of what it decodes bounds:
//    noise repeated once fills 188 bytes for each byte at order 32, 380 at
//    order 64, the most the library takes.  Per packed byte the most
//    measured was 3,766 (a two-letter noise repeated, at order 64; 1,099 at
//    order 32, 7zz's highest), and kMax7zExpansion holds that four times
//    over, where the whole model would weigh 4 GiB for what 400 MiB of
//    zeros fill to 6 MB.
unpack_memory_need weigh(const streams_info& info, uint64_t header, bool plain)
{
    uint64_t dictionary = 0, filled = 0, model = 0, learnt = 0, sides = 0;
    for (const folder& f : info.folders) {
        const uint64_t can_decode = saturating_times(f.packed_bytes, kMax7zExpansion);
        for (const coder& c : f.coders) {
            const uint64_t memory = memory_of(c);
            if (lzma_like(c)) {
                dictionary = std::max(dictionary, memory);
                filled = std::max(filled, std::min(memory, can_decode));
            } else if (c.id == kPpmd) {
                model = std::max(model, memory);
                learnt = std::max(learnt, std::min(memory, can_decode));
            }
        }
        uint64_t held = 0;
        for (const bcj2_side& side : bcj2_sides(info, f)) held = saturating_plus(held, side.size);
        sides = std::max(sides, held);
    }
    // Every term is within its bound by now: 4 GiB at most.
    return {header + filled + learnt + sides, (plain ? 2 * header : header) + dictionary + model + sides};
}

// -- Paying for decoding ---

constexpr uint64_t kDeflate = 0x040108, kBzip2 = 0x040202;

// What a byte of `c`'s output may take, over `data` bytes of it.
uint64_t ns_per_byte(const coder& c, uint64_t data)
{
    if (c.id == kPpmd)
        return data > memory_of(c) / 512 ? seven_zip_full_ppmd_ns_per_byte(memory_of(c)) : kMax7zPpmdNsPerByte;
    if (c.id == kCopy) return kMax7zCopyNsPerByte;
    if (size_preserving(c) || c.id == kBcj2) return kMax7zFilterNsPerByte;
    if (c.id == kDeflate) return kMax7zDeflateNsPerByte;
    if (c.id == kBzip2) return kMax7zBzip2NsPerByte;
    return kMax7zLzmaNsPerByte;  // LZMA, LZMA2, and whatever the library refuses
}

// What the `k`th coder of `f` can fill of the memory it names, as far as
// its claims can: a dictionary holds no more than its coder makes, a model
// no more than it learns of that nor than its folder's packed bytes
// decode to.
uint64_t claims_fill(const folder& f, size_t k)
{
    const coder& c = f.coders[k];
    const uint64_t memory = memory_of(c), made = f.output_of(k);
    if (c.id != kPpmd) return std::min(memory, made);
    return std::min({memory, saturating_times(made, kMax7zModelBytesPerByte),
                     saturating_times(f.packed_bytes, kMax7zExpansion)});
}

// How `f` of `info` pays for its decoding: at the rate of its slowest
// coder and each filter's besides, PPMd's as its model may fill.
seven_zip_reading::folder_purse purse_of(const streams_info& info, const folder& f)
{
    seven_zip_reading::folder_purse purse;
    purse.size = f.size();
    uint64_t slowest = 0, filters = 0, memory = 0, usable = 0;
    for (size_t k = 0; k < f.coders.size(); ++k) {
        const coder& c = f.coders[k];
        memory = saturating_plus(memory, memory_of(c));
        usable = saturating_plus(usable, (c.id == kBzip2 ? kMax7zBzip2TableBytes : claims_fill(f, k)) + kMax7zCoderStateBytes);
        if (size_preserving(c) || c.id == kBcj2)
            filters += kMax7zFilterNsPerByte;
        else
            slowest = std::max(slowest, ns_per_byte(c, 0));
        if (c.id == kPpmd) {
            purse.full_ns_per_byte = std::max(purse.full_ns_per_byte, ns_per_byte(c, UINT64_MAX));
            purse.full_after = std::min(purse.full_after, memory_of(c) / 512);
        }
        if (c.id == kBzip2) purse.block = kMax7zBzip2BlockBytes;
    }
    purse.ns_per_byte = std::max(slowest, kMax7zCopyNsPerByte) + filters;
    purse.memory_ns = saturating_times(std::min(memory, purse.size), kMax7zMemoryNsPerByte);
    purse.edge_ns = saturating_times(usable, kMax7zMemoryNsPerByte);
    if (purse.full_ns_per_byte) purse.full_ns_per_byte += filters;
    // The library reads BCJ2's side streams whole before the folder's first
    // byte, out of sight: they pay for themselves by what they hold.
    for (const bcj2_side& side : bcj2_sides(info, f))
        purse.sides_ns = saturating_plus(
            purse.sides_ns,
            saturating_times(side.size, side.decoder ? ns_per_byte(*side.decoder, side.size) : kMax7zCopyNsPerByte));
    return purse;
}

// libarchive 3.6.2's PPMd decoder takes more than it was handed where a
// symbol it decodes needs a byte past it, and then decodes on until its
// output buffer is full, past the stream's end where the stream's output
// ends first, reading on into what follows until it fails ("Failed to
// decode PPMd", "Truncated 7z file data"): the bytes of the call that
// makes the stream's last block must be handed over in one piece.  A block
// is 64 KiB of output, which PPMd makes of at most 66 KiB (noise grows by
// 2 %), or less where the folder's last block is shorter and PPMd its one
// coder; a non-solid archive of PPMd past 1 MiB failed now and then at the
// end of the reader's block.
constexpr uint64_t kPpmdTail = 72 * 1024;

// How many of the program's pieces a pack stream decoded by `c` (copied as
// it stands where null) may be handed over in at once: as many as its
// coder makes no more of than LZMA of one, 35 MB (8,400 to one), nor more
// than the library's block of 64 KiB.  Copied, a piece makes what it
// holds; Deflate makes 1,032 bytes of a byte at most, and the library
// decoding it 4 KiB at a time took a tenth longer than whole.
uint64_t piece_scale(const coder* c)
{
    if (!c || c->id == kCopy) return 16;  // 64 KiB, the library's block, at the program's 4 KiB
    if (c->id == kDeflate) return 8;
    return 1;
}

// The pack streams of `info`'s folders where they lie in an archive, each
// with what its coder claims, laid out as end_of_packs lays them.
std::vector<seven_zip_reading::pack_stream> pack_streams(const streams_info& info)
{
    std::vector<uint64_t> starts;
    starts.reserve(info.pack_sizes.size());
    uint64_t at = saturating_plus(kStartHeaderBytes, info.pack_position);
    for (const uint64_t size : info.pack_sizes) {
        starts.push_back(at);
        at = saturating_plus(at, size);
    }
    std::vector<seven_zip_reading::pack_stream> streams;
    streams.reserve(info.pack_sizes.size());
    for (size_t f = 0; f < info.folders.size(); ++f) {
        const folder& fo = info.folders[f];
        for (size_t k = 0; k < fo.packs.size(); ++k) {
            const uint64_t p = fo.first_pack + k;
            if (p >= starts.size()) break;
            seven_zip_reading::pack_stream s;
            s.start = starts[p];
            s.end = saturating_plus(starts[p], info.pack_sizes[p]);
            s.folder = static_cast<uint32_t>(f);
            // Judged by what the coder the library decodes it with claims;
            // a stream it copies whole is held, and weighed, as it stands.
            const coder* c = fo.decoder_of(fo.packs[k]);
            s.weighed = c != nullptr;
            s.piece_scale = piece_scale(c);
            s.output = fo.claim_of(fo.packs[k]);
            s.shared = fo.size() > s.output ? fo.size() - s.output : 0;
            if (c && c->id == kPpmd) {
                const uint64_t last_block = fo.size() ? (fo.size() - 1) % kMax7zBlockBytes + 1 : 0;
                s.tail = fo.coders.size() == 1 ? std::min(kPpmdTail, seven_zip_packed_room(last_block)) : kPpmdTail;
            }
            if (s.end > s.start) streams.push_back(s);
        }
    }
    // Folders take their pack streams in turn, so they come in order but
    // for hand-made headers.
    const auto by_place = [](const seven_zip_reading::pack_stream& a, const seven_zip_reading::pack_stream& b) {
        return a.start < b.start;
    };
    if (!std::is_sorted(streams.begin(), streams.end(), by_place)) std::sort(streams.begin(), streams.end(), by_place);
    return streams;
}

int refuse(const char* why)
{
    FILE_ERR_HERE();
    xer << "7z archive refused: " << why << ".\n";
    return kErrZipOpen;
}

int unreadable(const header_bytes& in)
{
    if (in.fault) return refuse(in.fault);
    return refuse(in.over_bound ? "its header claims more than an archive of ours holds" : "its header cannot be read");
}

// -- Files ---

// The files' properties as the library reads them: which files hold no
// sub-stream, and each file's attributes, whose high half is a Unix mode.
// Other properties are passed over by the bytes the library passes over.
// The folder each file's data comes from goes to `reading`.
int check_files(header_bytes& in, const streams_info& info, seven_zip_reading* reading)
{
    const std::vector<sub_stream>& sub_streams = info.sub_streams;
    // The library sizes its tables by this count and by bytes the header holds.
    const uint64_t files = in.bounded(kMax7zFiles);
    std::vector<bool> no_stream(files, false);
    std::vector<uint32_t> attributes(files, 0);
    uint64_t streamless = 0;
    for (uint8_t type = in.byte(); type != kEnd && in.ok; type = in.byte()) {
        const uint64_t size = in.number();
        if (size > in.left()) return unreadable(in);
        switch (type) {
        case kEmptyStream:
            in.read_bits(no_stream);
            streamless = static_cast<uint64_t>(std::count(no_stream.begin(), no_stream.end(), true));
            break;
        case kEmptyFile:
        case kAnti:
            in.skip(streamless ? (streamless + 7) / 8 : size);
            break;
        case kCTime:
        case kATime:
        case kMTime: {
            const std::vector<bool> given = in.defined(files);
            if (in.byte() != 0) in.number();  // kept elsewhere
            in.skip(8 * static_cast<uint64_t>(std::count(given.begin(), given.end(), true)));
            break;
        }
        case kNames: {
            // The library converts each name whole as its entry is handed
            // over, and its caller copies it again: one name may not take
            // what the header's bound counts for all the others.  The
            // library passes over the section's first byte ("kept
            // elsewhere"); names past the files' count are never handed over.
            header_bytes names{in.at, in.at + size};
            in.skip(size);
            names.byte();
            for (uint64_t f = 0; f < files && names.ok; ++f) {
                uint64_t units = 0;
                for (;;) {
                    const uint8_t low = names.byte(), high = names.byte();
                    if (!names.ok || (low == 0 && high == 0)) break;
                    ++units;
                }
                if (units > kMax7zNameUnits) {
                    xer << "A 7z entry's name of " << units << " UTF-16 units.\n";
                    return refuse("an entry's name is longer than a path can be");
                }
            }
            break;
        }
        case kAttributes: {
            // "All" and the byte the format gives to "kept elsewhere" come
            // first, whatever the first said.
            const bool all = in.byte() != 0;
            in.byte();
            std::vector<bool> given(files, all);
            if (!all) in.read_bits(given);
            for (uint64_t f = 0; f < files && in.ok; ++f)
                if (given[f]) attributes[f] = in.little_endian();
            break;
        }
        default: in.skip(size); break;
        }
    }
    if (!in.ok) return unreadable(in);
    // A link's text is read whole as its entry is handed over, at the size
    // its sub-stream claims, long before anything here sees the entry.
    std::vector<uint32_t> entry_folders(files, seven_zip_reading::kNoFolder);
    size_t next = 0;
    for (uint64_t f = 0; f < files; ++f) {
        if (no_stream[f]) continue;
        if (next == sub_streams.size()) return unreadable(in);
        entry_folders[f] = static_cast<uint32_t>(sub_streams[next].folder);
        const uint64_t size = sub_streams[next++].size;
        if ((attributes[f] >> 16 & 0170000) == 0120000 && size >= kMaxLinkTarget) {
            xer << "A 7z link's text of " << size << " bytes.\n";
            return refuse("a link's text is longer than a path can be");
        }
    }
    if (reading) reading->entry_folders.swap(entry_folders);
    return 0;
}

// -- A compressed header ---

// Whether the file holds `size` bytes at `offset`, and is there to read
// them from; its size into `file_bytes`.  Nothing is allocated for bytes
// that are not there.
bool seek_to_bytes(FILE* file, uint64_t offset, uint64_t size, uint64_t* file_bytes = nullptr)
{
    struct stat st;
    if (::fstat(fileno(file), &st) != 0 || offset > static_cast<uint64_t>(st.st_size) ||
        size > static_cast<uint64_t>(st.st_size) - offset)
        return false;
    if (file_bytes) *file_bytes = static_cast<uint64_t>(st.st_size);
    return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

// `size` bytes at `offset`, when the file holds them.
bool read_at(FILE* file, uint64_t offset, uint64_t size, std::vector<uint8_t>& bytes, uint64_t* file_bytes)
{
    if (!seek_to_bytes(file, offset, size, file_bytes)) return false;
    bytes.resize(size);
    return std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

constexpr uint64_t kHeaderPiece = uint64_t{1} << 20;
// What a header's LZMA or LZMA2 stream holds past its last byte: its range
// coder's last bytes, an end mark.
constexpr uint64_t kHeaderEndBytes = 64;

// Decodes the one-coder LZMA or LZMA2 folder that holds the real header,
// its dictionary cut to the header's size: a dictionary at least as large
// as the output decodes exactly as the one asked for, and costs no more.
int decode_header(FILE* file, const streams_info& info, std::vector<uint8_t>& header)
{
    if (info.folders.size() != 1 || info.folders[0].coders.size() != 1 || info.pack_sizes.size() != 1)
        return refuse("its header is compressed in a way this program does not read");
    const coder& c = info.folders[0].coders[0];
    const uint64_t packed = info.pack_sizes[0], unpacked = info.folders[0].size();
    if (packed > kMax7zHeaderBytes || unpacked > kMax7zHeaderBytes) return refuse("its header is too large");
    if (unpacked > saturating_times(packed, kMax7zExpansion))
        return refuse("its header claims more than its packed bytes could give");
    if (memory_of(c) > kMax7zHeaderCoderBytes)
        return refuse("the coder of its header needs more memory than 7zz gives one");
    lzma_filter filters[2] = {{c.id == kLzma2 ? LZMA_FILTER_LZMA2 : LZMA_FILTER_LZMA1, nullptr},
                              {LZMA_VLI_UNKNOWN, nullptr}};
    if ((c.id != kLzma && c.id != kLzma2) ||
        lzma_properties_decode(&filters[0], nullptr, c.properties.data(), c.properties.size()) != LZMA_OK)
        return refuse("its header is compressed in a way this program does not read");
    auto* options = static_cast<lzma_options_lzma*>(filters[0].options);
    options->dict_size =
        static_cast<uint32_t>(std::max<uint64_t>(LZMA_DICT_SIZE_MIN, std::min<uint64_t>(options->dict_size, unpacked)));

    // The packed bytes are read a piece at a time: the check holds the
    // header it unpacks and little more, whatever the header packs into.
    lzma_stream stream = LZMA_STREAM_INIT;
    bool decoded = info.pack_position <= UINT64_MAX - kStartHeaderBytes &&
                   seek_to_bytes(file, kStartHeaderBytes + info.pack_position, packed) &&
                   lzma_raw_decoder(&stream, filters) == LZMA_OK;
    std::vector<uint8_t> piece(decoded ? std::min<uint64_t>(packed, kHeaderPiece) : 0);
    header.assign(decoded ? unpacked : 0, 0);
    stream.next_out = header.data();
    stream.avail_out = header.size();
    for (uint64_t left = packed; decoded && stream.avail_out > 0;) {
        if (stream.avail_in == 0 && left > 0) {
            const size_t got = std::fread(piece.data(), 1, std::min<uint64_t>(left, piece.size()), file);
            if (got == 0) break;
            left -= got;
            stream.next_in = piece.data();
            stream.avail_in = got;
        }
        const lzma_ret r = lzma_code(&stream, left == 0 ? LZMA_FINISH : LZMA_RUN);
        if (r == LZMA_STREAM_END || r == LZMA_BUF_ERROR) break;
        decoded = r == LZMA_OK;
    }
    decoded = decoded && stream.avail_out == 0;
    const uint64_t used = stream.total_in;
    lzma_end(&stream);
    std::free(filters[0].options);
    if (!decoded) return refuse("its compressed header cannot be decoded");
    // The library decodes the header's packed stream to its end, as it
    // does a folder's: what follows the header's last byte would cost it
    // decoding that no size shows.
    if (packed - used > kHeaderEndBytes) {
        xer << "A 7z's packed header of " << packed << " bytes ends after " << used << ".\n";
        return refuse("its packed header goes on past what it claims");
    }
    return 0;
}

// Where the pack streams of `info` end in an archive: after its start
// header, at its pack position, one after another.
uint64_t end_of_packs(const streams_info& info)
{
    uint64_t end = saturating_plus(kStartHeaderBytes, info.pack_position);
    for (const uint64_t size : info.pack_sizes) end = saturating_plus(end, size);
    return end;
}

// The coders of a header of `size` bytes (after kHeader), unpacked unless
// `plain`, in an archive of `archive_bytes`, the sizes the library
// allocates by and its files; what decoding them needs into `need`, and
// the rest of what reading them needs into `reading`, when given.  Every
// archive that passes is weighed, if only for its header, which the
// library holds whole whatever it lists.
int check_header(header_bytes in, uint64_t size, bool plain, uint64_t archive_bytes, unpack_memory_need& need,
                 seven_zip_reading* reading)
{
    uint8_t id = in.byte();
    if (id == kArchiveProperties) {
        // The library takes a number after each type, and not the bytes
        // that number counts.
        for (uint8_t type = in.byte(); type != kEnd && in.ok; type = in.byte()) in.number();
        id = in.byte();
    }
    // Streams beside the main ones: never written, and a place to hide.
    if (id == kAdditionalStreamsInfo) return refuse("its header cannot be read");
    streams_info info;
    if (id == kMainStreamsInfo) {
        if (!read_streams_info(in, info)) return unreadable(in);
        if (const uint64_t end = end_of_packs(info); end > archive_bytes) {
            xer << "A 7z's pack streams end at byte " << end << " of its " << archive_bytes << " bytes.\n";
            return refuse("its pack streams end past its end");
        }
        if (std::any_of(info.folders.begin(), info.folders.end(), filter_sizes_disagree))
            return refuse("a filter claims to give other than it takes");
        uint64_t claim = 0, packed = 0;
        if (overclaiming_coder(info, claim, packed)) {
            xer << "A 7z coder claims " << claim << " bytes from " << packed << " packed bytes.\n";
            return refuse("a coder claims more than its packed bytes could give");
        }
        if (const coder* c = greedy_coder(info)) {
            xer << "A 7z coder asks for " << memory_of(*c) << " bytes.\n";
            return refuse("a coder asks for more memory than its data could need");
        }
        if (const uint64_t side = largest_bcj2_side(info); side > kMax7zBcj2SideBytes) {
            xer << "A 7z BCJ2 side stream of " << side << " bytes.\n";
            return refuse("a BCJ2 side stream is larger than any program of ours needs");
        }
        id = in.byte();
    }
    need = weigh(info, size, plain);
    if (reading) {
        reading->header_ns = saturating_plus(kMax7zOpeningNs, saturating_times(size, kMax7zHeaderNsPerByte));
        reading->folders.reserve(info.folders.size());
        for (const folder& f : info.folders) reading->folders.push_back(purse_of(info, f));
        reading->packs = pack_streams(info);
    }
    if (id == kFilesInfo) return check_files(in, info, reading);
    return in.ok ? 0 : unreadable(in);
}

int check_headers(FILE* file, unpack_memory_need& need, seven_zip_reading* reading)
{
    // Only an archive that begins as one: the decoder would look for one
    // further in (behind a program that unpacks itself), past this check.
    uint8_t start[kStartHeaderBytes];
    if (std::fread(start, 1, sizeof start, file) != sizeof start || std::memcmp(start, kSignature, 6) != 0)
        return refuse("it does not begin as a 7z archive");
    const uint64_t offset = little_endian_64(start + 12), size = little_endian_64(start + 20);
    if (size == 0) return 0;  // an empty archive
    if (size > kMax7zHeaderBytes || offset > UINT64_MAX - kStartHeaderBytes - size)
        return refuse("its header is too large");
    std::vector<uint8_t> header;
    uint64_t archive_bytes = 0;
    if (!read_at(file, kStartHeaderBytes + offset, size, header, &archive_bytes))
        return refuse("its header lies beyond its end");

    header_bytes in{header.data(), header.data() + header.size()};
    const uint8_t kind = in.byte();
    const bool plain = kind == kHeader;
    if (kind == kEncodedHeader) {
        streams_info info;
        if (!read_streams_info(in, info)) return unreadable(in);
        std::vector<uint8_t> plain;
        if (int err = decode_header(file, info, plain)) return err;
        header.swap(plain);
        if (reading) {
            reading->packed_header.start = kStartHeaderBytes + info.pack_position;
            reading->packed_header.end = reading->packed_header.start + info.pack_sizes[0];
        }
        in = {header.data(), header.data() + header.size()};
        if (in.byte() != kHeader) return refuse("its header cannot be read");
    } else if (kind != kHeader) {
        return refuse("its header cannot be read");
    }
    return check_header(in, header.size(), plain, archive_bytes, need, reading);
}

}  // namespace

// -- check_7z_coders ---

uint64_t seven_zip_coder_allowance(uint64_t method, uint64_t data)
{
    // PPMd's model takes the power of two at or above sixteen times the
    // data; a dictionary the step 2^n or 3*2^(n-1), which lies between 2^n
    // and 2^(n+1).
    const bool ppmd = method == kPpmd;
    if (ppmd) data = data > UINT64_MAX / 16 ? UINT64_MAX : data * 16;
    uint64_t step = UINT64_MAX;
    for (int n = 1; n < 63 && step == UINT64_MAX; ++n) {
        if (data <= uint64_t{1} << n)
            step = uint64_t{1} << n;
        else if (!ppmd && data <= uint64_t{3} << (n - 1))
            step = uint64_t{3} << (n - 1);
    }
    return std::max(kMin7zCoderAllowance, step);
}

uint64_t seven_zip_full_ppmd_ns_per_byte(uint64_t model_bytes)
{
    // 2 µs and 90 ns for each MiB of the model, up to 30 µs: four times
    // that holds what each model measured took, 1 GiB's 22 µs by 5.
    return 4 * std::min<uint64_t>(30'000, 2'000 + 90 * (model_bytes >> 20));
}

uint64_t seven_zip_packed_room(uint64_t output)
{
    return saturating_plus(saturating_plus(output, output / 4), 8 * 1024);
}

int check_7z_coders(FILE* archive, unpack_memory_need& need, seven_zip_reading* reading)
{
    need = unpack_memory_need();
    if (reading) {
        *reading = seven_zip_reading();
        reading->header_ns = kMax7zOpeningNs;
    }
    std::rewind(archive);
    const int err = check_headers(archive, need, reading);
    std::rewind(archive);
    return err;
}
