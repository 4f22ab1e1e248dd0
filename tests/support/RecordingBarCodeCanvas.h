#pragma once

#include "engine/ZipBarCo.h"

#include <vector>

// Keeps every line drawn, for tests of bar geometry.
class RecordingBarCodeCanvas : public TBarCodeCanvas
{
public:
    struct DrawnLine
    {
        int x1, y1, x2, y2, penWidth;
        bool operator==(const DrawnLine &) const = default;
    };

    RecordingBarCodeCanvas(int logPixelsX, int logPixelsY) : m_x(logPixelsX), m_y(logPixelsY) {}
    int LogPixelsX() const override { return m_x; }
    int LogPixelsY() const override { return m_y; }
    void Line(int x1, int y1, int x2, int y2, int penWidth) override
    {
        lines.push_back({x1, y1, x2, y2, penWidth});
    }

    std::vector<DrawnLine> lines;

private:
    int m_x;
    int m_y;
};
