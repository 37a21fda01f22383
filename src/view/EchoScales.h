#pragma once

// The one table of echo colours and their values, shared by the viewer's legend and the bundled
// server's pictures. Plain C++ so that the server can use it without the viewer's libraries.

#include <array>
#include <cstdint>

namespace pluvix::view::echo {

inline constexpr std::size_t stepCount = 15;

// 0xRRGGBB, lowest value first. Reflectivity runs from 5 to 75 dBZ in 5 dBZ steps.
inline constexpr std::array<std::uint32_t, stepCount> reflectivityColours = {
    0x04e9e7, 0x019ff4, 0x0300f4, 0x02fd02, 0x01c501, 0x008e00, 0xfdf802, 0xe5bc00,
    0xfd9500, 0xfd0000, 0xd40000, 0xbc0000, 0xf800fd, 0x9854c6, 0xfdfdfd};
inline constexpr int reflectivityStepDbz = 5;

inline constexpr std::array<std::uint32_t, stepCount> precipitationColours = {
    0xa6e6e6, 0x66c8f0, 0x2c86dc, 0x1c56b0, 0x36d236, 0x1f9a1f, 0xf2f23c, 0xdcb41e,
    0xf08c1e, 0xe63c1e, 0xb41e1e, 0xd83cc8, 0x9650c8, 0xe6c8f0, 0xffffff};

// Accumulation thresholds in inches, with their labels (short enough for a legend box).
struct Threshold {
    double inches;
    const char* label;
};
inline constexpr std::array<Threshold, stepCount> oneHourInches = {{{0.05, ".05"},
                                                                    {0.10, ".10"},
                                                                    {0.20, ".20"},
                                                                    {0.30, ".30"},
                                                                    {0.40, ".40"},
                                                                    {0.50, ".50"},
                                                                    {0.75, ".75"},
                                                                    {1.0, "1.0"},
                                                                    {1.5, "1.5"},
                                                                    {2.0, "2.0"},
                                                                    {2.5, "2.5"},
                                                                    {3.0, "3.0"},
                                                                    {4.0, "4.0"},
                                                                    {5.0, "5.0"},
                                                                    {6.0, "6.0"}}};
inline constexpr std::array<Threshold, stepCount> stormTotalInches = {{{0.10, ".10"},
                                                                       {0.25, ".25"},
                                                                       {0.50, ".50"},
                                                                       {0.75, ".75"},
                                                                       {1.0, "1.0"},
                                                                       {1.5, "1.5"},
                                                                       {2.0, "2.0"},
                                                                       {2.5, "2.5"},
                                                                       {3.0, "3.0"},
                                                                       {4.0, "4.0"},
                                                                       {5.0, "5.0"},
                                                                       {6.0, "6.0"},
                                                                       {8.0, "8.0"},
                                                                       {10, "10"},
                                                                       {12, "12"}}};

} // namespace pluvix::view::echo
