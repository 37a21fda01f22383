#pragma once

#include <QPointF>

namespace pluvix::view {

inline constexpr float clockPi = 3.1415925f;
inline constexpr float hourHandLength = 140.0f;
inline constexpr float minuteHandLength = 240.0f;

// End points of the hands in twips inside the clock; both start at (centre, centre).
struct HandEnds {
    QPointF hour;
    QPointF minute;
};

// `hour` is the local hour as given (not wrapped: 13 and -11 both mean 1 o'clock); `minute` is
// 0 to 59. The hour hand moves on with the minutes.
HandEnds clockHands(float hour, int minute, float centre);

} // namespace pluvix::view
