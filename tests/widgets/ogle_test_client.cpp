#include "ogle_test_client.h"

#include <cctype>

namespace {

ogle_test_client& client(OGLE_Rec* rec) { return *static_cast<ogle_test_client*>(OGLE_GetRef(rec)); }

bool continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

int characters(const char* begin, const char* end)
{
    int n = 0;
    for (const char* p = begin; p < end; ++p) n += !continuation(*p);
    return n;
}

}  // namespace

const OGLE_Callbacks ogle_test_client::callbacks = {
    [](OGLE_Rec* rec, float* rect) {
        const ogle_test_client& c = client(rec);
        for (int i = 0; i < 4; ++i) rect[i] = c.visible[i];
    },
    [](OGLE_Rec* rec, float* rect) { client(rec).logical(rect); },
    [](OGLE_Rec* rec, float height) { client(rec).told_height = height; },
    [](OGLE_Rec* rec, float* offset) {
        ogle_test_client& c = client(rec);
        c.scroll[0] = offset[0];
        c.scroll[1] = offset[1];
        ++c.scroll_calls;
    },
    [](OGLE_Rec* rec, const char** begin, const char** end) {
        const std::string& t = client(rec).text;
        *begin = t.data();
        *end = t.data() + t.size();
    },
    [](OGLE_Rec* rec, int start, int end, const char* from, const char* to) {
        ogle_test_client& c = client(rec);
        c.text.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), from,
                       static_cast<size_t>(to - from));
        ++c.replace_calls;
    },
    [](OGLE_Rec*) { return ogle_test_client::line_height; },
    [](OGLE_Rec*, const char* begin, const char* end) {
        return static_cast<float>(characters(begin, end)) * ogle_test_client::char_width;
    },
    // The nearest character boundary to the width, as a font would answer.
    [](OGLE_Rec*, const char* begin, const char* end, float width) {
        float x = 0.0f;
        const char* p = begin;
        while (p < end) {
            const char* next = p + 1;
            while (next < end && continuation(*next)) ++next;
            if (x + ogle_test_client::char_width / 2.0f > width) break;
            x += ogle_test_client::char_width;
            p = next;
        }
        return static_cast<int>(p - begin);
    },
    [](OGLE_Rec*, const char*, const char*, float) { return 0; },
    [](OGLE_Rec* rec, const char* begin, const char* end, float x, float y) {
        client(rec).strings.push_back({std::string(begin, end), x, y});
    },
    [](OGLE_Rec* rec, float* r) { client(rec).selections.push_back({r[0], r[1], r[2], r[3]}); },
    [](OGLE_Rec*, const char* begin, const char* end) {
        const char* p = begin;
        while (p < end && std::isspace(static_cast<unsigned char>(*p))) ++p;
        while (p < end && !std::isspace(static_cast<unsigned char>(*p))) ++p;
        return p;
    },
    [](OGLE_Rec*, const char* p) {
        ++p;
        while (continuation(*p)) ++p;
        return p;
    },
    [](OGLE_Rec* rec, int pos) {
        const std::string& t = client(rec).text;
        if (pos >= static_cast<int>(t.size())) return pos + 1;
        ++pos;
        while (pos < static_cast<int>(t.size()) && continuation(t[static_cast<size_t>(pos)])) ++pos;
        return pos;
    },
    [](OGLE_Rec* rec, int pos) {
        const std::string& t = client(rec).text;
        if (pos <= 0) return -1;
        --pos;
        while (pos > 0 && continuation(t[static_cast<size_t>(pos)])) --pos;
        return pos;
    },
};

ogle_test_client::ogle_test_client(const std::string& initial, float width)
    : rec(OGLE_Create(&callbacks, this)), text(initial), visible{0.0f, -100.0f, width, 0.0f}
{
}

ogle_test_client::~ogle_test_client() { OGLE_Destroy(rec); }

void ogle_test_client::set_width(float width) { visible[2] = visible[0] + width; }

void ogle_test_client::logical(float* rect) const
{
    rect[0] = visible[0] - scroll[0];
    rect[1] = visible[1] - scroll[1];
    rect[2] = visible[2] - scroll[0] + extra_width;
    rect[3] = visible[3] - scroll[1];
}

void ogle_test_client::clear_drawing()
{
    selections.clear();
    strings.clear();
}

void ogle_test_client::type(const std::string& utf8, int extend)
{
    for (size_t i = 0; i < utf8.size();) {
        size_t n = 1;
        while (i + n < utf8.size() && continuation(utf8[i + n])) ++n;
        OGLE_Key_MBCS(rec, static_cast<int>(n), utf8.data() + i, extend);
        i += n;
    }
}
