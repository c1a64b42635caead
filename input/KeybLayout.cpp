#include "KeybLayout.h"

#include <algorithm>

#include "VirtualKeys.h"

namespace {

struct LayoutRow {
    unsigned key;
    uint16_t base;    // also the Shift code
    uint16_t ctrlAlt; // also the Ctrl+Alt+Shift code
};

// Shift and Caps Lock change nothing in this layout; every key stores the same
// code in both arrays of a pair.
constexpr LayoutRow BuiltInLayout[] = {
    {vk::RETURN, 0x000D, 0},
    {vk::SPACE, 0x0892, 0x0020},
    {'0', 0x0896, 0x0895},
    {'1', 0, 0x0889},
    {'2', 0, 0x088A},
    {'3', 0, 0x088B},
    {'4', 0, 0x088C},
    {'5', 0, 0x088D},
    {'6', 0, 0x088E},
    {'7', 0x0874, 0},
    {'8', 0x0875, 0},
    {'9', 0x0876, 0},
    {'A', 0x0860, 0},
    {'B', 0x0861, 0},
    {'C', 0x0862, 0x0863},
    {'D', 0x0864, 0},
    {'E', 0x0865, 0},
    {'F', 0x0867, 0},
    {'G', 0x0868, 0x0869},
    {'H', 0x086A, 0},
    {'I', 0x086B, 0},
    {'J', 0x086C, 0},
    {'K', 0x086D, 0},
    {'L', 0x086F, 0x0870},
    {'M', 0x0871, 0x0872},
    {'N', 0x0873, 0x0878},
    {'O', 0x0879, 0},
    {'P', 0x087B, 0x087C},
    {'Q', 0x086E, 0},
    {'R', 0x087D, 0},
    {'S', 0x087E, 0x0880},
    {'T', 0x0881, 0x0882},
    {'U', 0x0884, 0},
    {'V', 0x0886, 0},
    {'Z', 0x0887, 0x0888},
    {vk::OEM_1, 0x0866, 0},
    {vk::OEM_PLUS, 0x0877, 0},
    {vk::OEM_COMMA, 0x088F, 0x0891},
    {vk::OEM_MINUS, 0x0020, 0x0893},
    {vk::OEM_PERIOD, 0x0890, 0x0894},
    {vk::OEM_2, 0x0885, 0},
    {vk::OEM_3, 0x087A, 0},
    {vk::OEM_5, 0x0897, 0},
    {vk::OEM_7, 0x087F, 0},
};

} // namespace

KeybLayout::KeybLayout()
{
    std::fill(std::begin(CapsBase), std::end(CapsBase), false);
    std::fill(std::begin(Base), std::end(Base), uint16_t{0});
    std::fill(std::begin(BaseShift), std::end(BaseShift), uint16_t{0});
    std::fill(std::begin(CapsCtrlAlt), std::end(CapsCtrlAlt), false);
    std::fill(std::begin(CtrlAlt), std::end(CtrlAlt), uint16_t{0});
    std::fill(std::begin(CtrlAltShift), std::end(CtrlAltShift), uint16_t{0});
    for (const LayoutRow& row : BuiltInLayout)
        Store(row.key, row.base, row.ctrlAlt);
}

void KeybLayout::Store(unsigned key, uint16_t base, uint16_t ctrlAlt)
{
    Base[key] = base;
    BaseShift[key] = base;
    CtrlAlt[key] = ctrlAlt;
    CtrlAltShift[key] = ctrlAlt;
}
