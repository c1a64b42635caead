#include "KeyNames.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "VirtualKeys.h"

namespace {

struct NamedKey {
    std::string_view name;
    unsigned code;
};

// Letters, digits, NUMPADn and Fn are recognised by pattern below.
constexpr NamedKey NamedKeys[] = {
    {"BACK", vk::BACK}, {"TAB", vk::TAB}, {"CLEAR", vk::CLEAR}, {"RETURN", vk::RETURN},
    {"SHIFT", vk::SHIFT}, {"CONTROL", vk::CONTROL}, {"MENU", vk::MENU}, {"PAUSE", vk::PAUSE},
    {"CAPITAL", vk::CAPITAL}, {"ESCAPE", vk::ESCAPE}, {"SPACE", vk::SPACE},
    {"PRIOR", vk::PRIOR}, {"NEXT", vk::NEXT}, {"END", vk::END}, {"HOME", vk::HOME},
    {"LEFT", vk::LEFT}, {"UP", vk::UP}, {"RIGHT", vk::RIGHT}, {"DOWN", vk::DOWN},
    {"SELECT", vk::SELECT}, {"PRINT", vk::PRINT}, {"EXECUTE", vk::EXECUTE}, {"SNAPSHOT", vk::SNAPSHOT},
    {"INSERT", vk::INSERT}, {"DELETE", vk::DELETE_}, {"HELP", vk::HELP},
    {"LWIN", vk::LWIN}, {"RWIN", vk::RWIN}, {"APPS", vk::APPS},
    {"MULTIPLY", vk::MULTIPLY}, {"ADD", vk::ADD}, {"SEPARATOR", vk::SEPARATOR},
    {"SUBTRACT", vk::SUBTRACT}, {"DECIMAL", vk::DECIMAL}, {"DIVIDE", vk::DIVIDE},
    {"NUMLOCK", vk::NUMLOCK}, {"SCROLL", vk::SCROLL},
    {"LSHIFT", vk::LSHIFT}, {"RSHIFT", vk::RSHIFT}, {"LCONTROL", vk::LCONTROL},
    {"RCONTROL", vk::RCONTROL}, {"LMENU", vk::LMENU}, {"RMENU", vk::RMENU},
    {"OEM_1", vk::OEM_1}, {"OEM_PLUS", vk::OEM_PLUS}, {"OEM_COMMA", vk::OEM_COMMA},
    {"OEM_MINUS", vk::OEM_MINUS}, {"OEM_PERIOD", vk::OEM_PERIOD}, {"OEM_2", vk::OEM_2},
    {"OEM_3", vk::OEM_3}, {"OEM_4", vk::OEM_4}, {"OEM_5", vk::OEM_5}, {"OEM_6", vk::OEM_6},
    {"OEM_7", vk::OEM_7}, {"OEM_102", vk::OEM_102},
};

// Key codes are 16 bits wide; anything from 0x100 up is accepted so that the
// handling of codes outside the layout can be exercised, but nothing wider.
constexpr unsigned MaximumCode = 0xFFFF;

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// Parses a decimal number of at most two digits in [low, high].
bool ParseSmallNumber(std::string_view digits, unsigned low, unsigned high, unsigned& value)
{
    if (digits.empty() || digits.size() > 2)
        return false;
    unsigned result = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + static_cast<unsigned>(c - '0');
    }
    if (result < low || result > high)
        return false;
    value = result;
    return true;
}

bool ParseHex(std::string_view digits, unsigned& value)
{
    if (digits.empty() || digits.size() > 4)
        return false;
    unsigned result = 0;
    for (char c : digits) {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
        result = result * 16 + digit;
    }
    value = result;
    return result <= MaximumCode;
}

// name is already upper case.
bool LookUpKey(std::string_view name, unsigned& code)
{
    if (name.size() == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9'))) {
        code = static_cast<unsigned char>(name[0]);
        return true;
    }
    if (name.size() > 2 && name.substr(0, 2) == "0X")
        return ParseHex(name.substr(2), code);
    unsigned number = 0;
    if (name.size() == 7 && name.substr(0, 6) == "NUMPAD" && ParseSmallNumber(name.substr(6), 0, 9, number)) {
        code = vk::NUMPAD0 + number;
        return true;
    }
    if (name.size() >= 2 && name[0] == 'F' && name[1] != '0'
        && ParseSmallNumber(name.substr(1), 1, 24, number)) {
        code = vk::F1 + number - 1;
        return true;
    }
    const auto found = std::find_if(std::begin(NamedKeys), std::end(NamedKeys),
                                    [name](const NamedKey& key) { return key.name == name; });
    if (found == std::end(NamedKeys))
        return false;
    code = found->code;
    return true;
}

} // namespace

std::optional<std::vector<KeyStroke>> ParseKeySequence(const std::string& text, std::string& error)
{
    std::vector<KeyStroke> strokes;
    if (Trim(text).empty())
        return strokes;

    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });

    // The upper-case copy has the original's layout byte for byte, so a part
    // of it maps back to the user's own spelling for error messages.
    const auto spelled = [&](std::string_view part) {
        return "\"" + text.substr(static_cast<size_t>(part.data() - upper.data()), part.size()) + "\"";
    };

    std::string_view rest(upper);
    while (true) {
        const size_t comma = rest.find(',');
        const std::string_view item = Trim(rest.substr(0, comma));

        KeyStroke stroke;
        std::string_view name = item;
        // Every part before a '+' is a modifier; "SHIFT" alone is the Shift key.
        for (size_t plus = name.find('+'); plus != std::string_view::npos; plus = name.find('+')) {
            const std::string_view modifier = Trim(name.substr(0, plus));
            if (modifier == "SHIFT")
                stroke.modifiers.Shift = true;
            else if (modifier == "CTRL")
                stroke.modifiers.Ctrl = true;
            else if (modifier == "ALT")
                stroke.modifiers.Alt = true;
            else {
                error = "unknown modifier " + spelled(modifier) + " in key " + spelled(item);
                return std::nullopt;
            }
            name = Trim(name.substr(plus + 1));
        }
        if (item.empty()) {
            error = "empty key name at position " + std::to_string(strokes.size() + 1);
            return std::nullopt;
        }
        if (name.empty()) {
            error = "missing key after modifiers in " + spelled(item);
            return std::nullopt;
        }
        if (!LookUpKey(name, stroke.Key)) {
            error = "unknown key name " + spelled(name);
            return std::nullopt;
        }
        strokes.push_back(stroke);

        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    return strokes;
}

std::string KeyName(unsigned code)
{
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
        return std::string(1, static_cast<char>(code));
    if (code >= vk::NUMPAD0 && code <= vk::NUMPAD0 + 9)
        return "NUMPAD" + std::to_string(code - vk::NUMPAD0);
    if (code >= vk::F1 && code <= vk::F24)
        return "F" + std::to_string(code - vk::F1 + 1);
    const auto found = std::find_if(std::begin(NamedKeys), std::end(NamedKeys),
                                    [code](const NamedKey& key) { return key.code == code; });
    if (found != std::end(NamedKeys))
        return std::string(found->name);
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string name = "0x";
    for (int shift = code > 0xFF ? 12 : 4; shift >= 0; shift -= 4)
        name += Hex[(code >> shift) & 0xF];
    return name;
}
