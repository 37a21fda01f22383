#include "view/ClockHands.h"

#include <cmath>

namespace pluvix::view {

namespace {

QPointF handEnd(float centre, float length, float angle) {
    // The window stores line ends as singles.
    return {double(float(double(centre) + double(length) * std::cos(double(angle)))),
            double(float(double(centre) + double(length) * std::sin(double(angle))))};
}

} // namespace

HandEnds clockHands(float hour, int minute, float centre) {
    const float h = hour + float(minute) / 60.0f;
    const float a = clockPi / 180.0f * (30.0f * h - 90.0f);
    const float b = clockPi / 180.0f * (6.0f * float(minute) - 90.0f);
    return {handEnd(centre, hourHandLength, a), handEnd(centre, minuteHandLength, b)};
}

} // namespace pluvix::view
