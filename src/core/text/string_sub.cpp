// Placeholders: "%" number ":" name "%", as in "%1:file%".  The name is for
// the translator only; the number picks the argument.
#include <cstdlib>

#include "core/text/translation.h"

namespace {

// The next placeholder at or after `from`: its "%" at `p`, its closing "%"
// at `e` and its number.  False when no later "%" can start one.
bool next_placeholder(const std::string& s, size_t from, size_t& p, size_t& e, long& number)
{
    for (; (p = s.find('%', from)) != std::string::npos; from = p + 1) {
        size_t colon = s.find(':', p);
        // Without a colon, or a "%" after it, no later "%" can close either.
        if (colon == std::string::npos) return false;
        if ((e = s.find('%', colon + 1)) == std::string::npos) return false;
        number = std::strtol(s.c_str() + p + 1, nullptr, 10);
        if (number >= 1) return true;
    }
    return false;
}

}  // namespace

std::string UTL_string_sub_x(const std::string& text, int count, const std::string** args)
{
    std::string out = text;
    size_t p, e;
    long number;
    for (size_t from = 0; next_placeholder(out, from, p, e, number);) {
        if (number > count) {
            from = p + 1;
            continue;
        }
        const std::string& arg = *args[number - 1];
        out.replace(p, e - p + 1, arg);
        from = p + arg.size();
    }
    return out;
}

std::string UTL_string_sub(const std::string& text, const std::string& a1)
{
    const std::string* args[] = {&a1};
    return UTL_string_sub_x(text, 1, args);
}

std::string UTL_string_sub(const std::string& text, const std::string& a1, const std::string& a2)
{
    const std::string* args[] = {&a1, &a2};
    return UTL_string_sub_x(text, 2, args);
}

std::string UTL_string_sub(const std::string& text, const std::string& a1, const std::string& a2,
                           const std::string& a3)
{
    const std::string* args[] = {&a1, &a2, &a3};
    return UTL_string_sub_x(text, 3, args);
}

std::string UTL_string_sub(const std::string& text, const std::string& a1, const std::string& a2,
                           const std::string& a3, const std::string& a4)
{
    const std::string* args[] = {&a1, &a2, &a3, &a4};
    return UTL_string_sub_x(text, 4, args);
}

std::string UTL_string_sub(const std::string& text, const std::string& a1, const std::string& a2,
                           const std::string& a3, const std::string& a4, const std::string& a5)
{
    const std::string* args[] = {&a1, &a2, &a3, &a4, &a5};
    return UTL_string_sub_x(text, 5, args);
}

std::string UTL_string_sub(const std::string& text, const std::string& a1, const std::string& a2,
                           const std::string& a3, const std::string& a4, const std::string& a5,
                           const std::string& a6)
{
    const std::string* args[] = {&a1, &a2, &a3, &a4, &a5, &a6};
    return UTL_string_sub_x(text, 6, args);
}

void UTL_string_check(const std::string& text, std::vector<int>& numbers)
{
    size_t p, e;
    long number;
    for (size_t from = 0; next_placeholder(text, from, p, e, number); from = e + 1)
        numbers.push_back(static_cast<int>(number));
}
