// The file chooser's previews read whatever an aircraft or flight-data
// file on the user's disk holds: the record is copied only when the file
// holds all of it, and every text stays inside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "alert_recorder.h"
#include "core/files/xmap.h"
#include "widgets/file_chooser.h"

namespace {

void load(xmap_class& map, const std::string& bytes)
{
    map.begin = map.pos = bytes.data();
    map.end = bytes.data() + bytes.size();
    map.is_resource = 1;  // not ours to unmap
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A read past the end is the reader's fatal alert: here a crash.
    static const bool once = [] {
        testing_support::alerts_to_stderr();
        return true;
    }();
    (void)once;
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    xmap_class map;
    load(map, bytes);
    unsigned char record[BTN_aircraft_record_size];
    std::memset(record, 0, sizeof record);
    read_aircraft_record(map, record);
    // Texts may overlap (one without a NUL runs into the next), so each is
    // held to the record on its own, not their sum.
    for (const std::string& text : aircraft_texts(record))
        if (text.size() > BTN_aircraft_record_size || text.find('\0') != std::string::npos)
            std::abort();

    load(map, bytes);
    const std::string comment = read_flight_comment(map);
    if (comment.size() > bytes.size()) std::abort();
    map.begin = map.pos = map.end = nullptr;
    return 0;
}
