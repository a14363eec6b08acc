#include "BackdropBlur.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr int Radius = 4;
constexpr int Passes = 3;

// One box blur pass, edges clamped, over `lines` lines of `count` RGB
// pixels: `along` pixels apart within a line, lines `across` pixels apart.
void boxPass(std::vector<float> &data, int count, int lines, int along, int across)
{
    std::vector<float> line(size_t(count) * 3);
    for (int l = 0; l < lines; ++l) {
        for (int i = 0; i < count; ++i) {
            std::array<float, 3> sum {0, 0, 0};
            for (int k = -Radius; k <= Radius; ++k) {
                const int j = std::clamp(i + k, 0, count - 1);
                const size_t at = size_t(l) * across + size_t(j) * along;
                for (int c = 0; c < 3; ++c)
                    sum[c] += data[at * 3 + c];
            }
            for (int c = 0; c < 3; ++c)
                line[size_t(i) * 3 + c] = sum[c] / (2 * Radius + 1);
        }
        for (int i = 0; i < count; ++i) {
            const size_t at = size_t(l) * across + size_t(i) * along;
            for (int c = 0; c < 3; ++c)
                data[at * 3 + c] = line[size_t(i) * 3 + c];
        }
    }
}

} // namespace

QImage BackdropBlur::blurred(const QImage &cover)
{
    if (cover.isNull())
        return {};
    // Aspect fill into the square before shrinking.
    const QImage small = cover.convertToFormat(QImage::Format_RGB32)
                             .scaled(Side, Side, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    const int x0 = (small.width() - Side) / 2;
    const int y0 = (small.height() - Side) / 2;

    std::vector<float> data(size_t(Side) * Side * 3);
    for (int y = 0; y < Side; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(small.constScanLine(y + y0));
        for (int x = 0; x < Side; ++x) {
            const QRgb p = row[x + x0];
            float *out = &data[(size_t(y) * Side + x) * 3];
            out[0] = float(qRed(p));
            out[1] = float(qGreen(p));
            out[2] = float(qBlue(p));
        }
    }
    for (int pass = 0; pass < Passes; ++pass) {
        boxPass(data, Side, Side, 1, Side); // along rows
        boxPass(data, Side, Side, Side, 1); // along columns
    }

    QImage result(Side, Side, QImage::Format_RGB32);
    for (int y = 0; y < Side; ++y) {
        auto *row = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < Side; ++x) {
            const float *in = &data[(size_t(y) * Side + x) * 3];
            const float grey = 0.2126f * in[0] + 0.7152f * in[1] + 0.0722f * in[2];
            auto saturate = [grey](float v) {
                return std::clamp(int(grey + (v - grey) * float(Saturation) + 0.5f), 0, 255);
            };
            row[x] = qRgb(saturate(in[0]), saturate(in[1]), saturate(in[2]));
        }
    }
    return result;
}
