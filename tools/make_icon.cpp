// make_icon: draws the program icon (a soft cloud floating over a small
// treasure chest) and writes it as a Windows .ico file.
//
// Regenerate the committed icon from a native build tree:
//   cmake --build build/native --target regenerate_icon
// which runs
//   make_icon app/resources/program.ico
//
// The file holds ten images, every one an uncompressed DIB with an AND mask,
// in this order:
//   48x48, 32x32, 16x16 at 4 bpp (16-colour palette)
//   48x48, 32x32, 16x16 at 8 bpp (256-colour palette)
//   128x128, 48x48, 32x32, 16x16 at 32 bpp (straight alpha)
// The output depends only on this source: the same bytes on every run.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Colours

struct Rgb {
    double r = 0, g = 0, b = 0;  // 0..1
};

constexpr Rgb hex(std::uint32_t v) {
    return {((v >> 16) & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0, (v & 0xFF) / 255.0};
}

Rgb mix(Rgb a, Rgb b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// The classic 16-colour palette; index 0 (black) is also the XOR colour of
// transparent pixels.
enum Vga : int {
    kBlack = 0, kMaroon, kGreen, kOlive, kNavy, kPurple, kTeal, kSilver,
    kGray, kRed, kLime, kYellow, kBlue, kFuchsia, kAqua, kWhite,
    kTransparent = -1,
};

constexpr std::array<std::uint32_t, 16> kVgaPalette = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// Material colours of the full-colour images.
const Rgb kCloudTopColour = hex(0xFFFFFF);
const Rgb kCloudBottomColour = hex(0xC4DCF4);
const Rgb kCloudLine = hex(0x4F7DB4);
const Rgb kCloudLineSmall = hex(0x3C6AA6);
const Rgb kWoodTop = hex(0xC8773A);
const Rgb kWoodBottom = hex(0x8C4519);
const Rgb kWoodLine = hex(0x4A2108);
const Rgb kGoldLight = hex(0xFFE27A);
const Rgb kGoldDark = hex(0xD49A1C);
const Rgb kKeyhole = hex(0x2E1404);

// ---------------------------------------------------------------------------
// Geometry: signed distances (negative inside) in design units. The drawing
// is laid out on a 16-unit grid so that straight edges fall on pixel
// boundaries at 16, 32, 48 and 128 pixels.

struct Vec {
    double x, y;
};

double circle(Vec p, Vec c, double r) { return std::hypot(p.x - c.x, p.y - c.y) - r; }

// Box [x0,x1]x[y0,y1] with rounded corners of the given radius.
double roundBox(Vec p, double x0, double y0, double x1, double y1, double radius) {
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
    const double qx = std::abs(p.x - cx) - hx, qy = std::abs(p.y - cy) - hy;
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    const double inside = std::min(std::max(qx, qy), 0.0);
    return outside + inside - radius;
}

double box(Vec p, double x0, double y0, double x1, double y1) {
    return roundBox(p, x0, y0, x1, y1, 0.0);
}

// One sample of the drawing: a colour for the full-colour images and a
// palette index for the 16-colour images.
struct Sample {
    Rgb colour;
    int vga = kTransparent;
    bool opaque() const { return vga != kTransparent; }
};

// The drawing at one size. Two ways to ask for it:
//  - smooth: any point; outlines are bands of the shapes' distance fields, for
//    anti-aliased rendering by supersampling;
//  - crisp: pixel centres only; a shape's outline is every pixel of it that
//    has a 4-neighbour outside it, which gives clean one-pixel lines for
//    pixel art.
class Drawing {
public:
    explicit Drawing(int size)
        : unit_(size / 16.0), small_(size <= 16), medium_(size > 16 && size <= 32),
          line_(outlineWidth(size)) {}

    Sample smooth(double px, double py) const {
        const Vec p = at(px, py);
        const double c = cloudShape(p);
        if (c <= 0) return cloud(p, onLine(c));
        const double b = chestShape(p);
        if (b <= 0) return chest(p, onLine(b));
        return {};
    }

    Sample crisp(int x, int y) const {
        const Vec p = at(x + 0.5, y + 0.5);
        auto anyNeighbour = [&](auto outside) {
            return outside(x - 1, y) || outside(x + 1, y) || outside(x, y - 1) || outside(x, y + 1);
        };
        auto outsideCloud = [&](int nx, int ny) { return cloudShape(at(nx + 0.5, ny + 0.5)) > 0; };
        auto outsideAll = [&](int nx, int ny) {
            const Vec q = at(nx + 0.5, ny + 0.5);
            return cloudShape(q) > 0 && chestShape(q) > 0;
        };
        if (cloudShape(p) <= 0) return cloud(p, anyNeighbour(outsideCloud));
        if (chestShape(p) <= 0) return chest(p, anyNeighbour(outsideAll));
        return {};
    }

private:
    // Layout on the 16-unit grid: the chest stands at the lower right, the
    // cloud floats in front of its upper left corner.
    static constexpr double kChestLeft = 4, kChestRight = 15, kLidTop = 7, kSeam = 11,
                            kChestBottom = 15;
    static constexpr double kLockLeft = 8, kLockRight = 11, kLockTop = 9.5, kLockBottom = 13;
    static constexpr double kLockX = 9.5, kKeyholeY = 11;
    static constexpr double kCloudTop = 0.8, kCloudBottom = 8.8;

    static double outlineWidth(int size) {
        if (size <= 32) return 1.0;
        if (size <= 48) return 1.5;
        return 3.5;
    }

    Vec at(double px, double py) const { return {px / unit_, py / unit_}; }
    // Distance in pixels from a distance in design units.
    double px(double d) const { return d * unit_; }
    bool onLine(double d) const { return px(d) > -line_; }

    double cloudShape(Vec p) const {
        // Three puffs on a flat base; at 16x16 the puffs are placed so that
        // each keeps a bump of its own in the pixel outline.
        if (small_)
            return std::min({circle(p, {3.0, 6.4}, 2.4), circle(p, {6.4, 4.3}, 2.8),
                             circle(p, {10.4, 5.7}, 2.3), roundBox(p, 0.8, 5.5, 12.4, kCloudBottom, 2.0)});
        return std::min({circle(p, {3.7, 5.9}, 2.6), circle(p, {6.9, 4.0}, 3.2),
                         circle(p, {9.8, 6.0}, 2.3), roundBox(p, 0.8, 5.0, 12.0, kCloudBottom, 1.8)});
    }

    double chestShape(Vec p) const {
        // Lid with rounded top corners over a body with slightly rounded
        // bottom corners.
        const double lid = roundBox(p, kChestLeft, kLidTop, kChestRight, kSeam + 1.5, small_ ? 1.0 : 1.4);
        const double body = roundBox(p, kChestLeft, kSeam, kChestRight, kChestBottom, small_ ? 0.0 : 0.6);
        return std::min(lid, body);
    }

    Sample cloud(Vec p, bool outline) const {
        if (outline) return {small_ ? kCloudLineSmall : kCloudLine, kNavy};
        // Light from above: white at the top, sky blue at the flat bottom.
        const double t = (p.y - kCloudTop) / (kCloudBottom - kCloudTop);
        Rgb c = mix(kCloudTopColour, kCloudBottomColour, t * t * 1.15);
        // A soft bright spot on the upper left of the big puffs.
        if (!small_) {
            const double hi = std::min(circle(p, {6.1, 3.2}, 1.4), circle(p, {3.0, 5.4}, 0.9));
            if (hi < 0) c = mix(c, kCloudTopColour, std::min(1.0, -px(hi) / 2.0));
        }
        return {c, p.y < 6.8 ? kWhite : kSilver};
    }

    Sample chest(Vec p, bool outline) const {
        const Sample line{kWoodLine, kBlack};
        if (outline) return line;

        // Lock plate with keyhole, over the seam between lid and body.
        const double plate = small_ ? box(p, 8, 10, 11, 13)
                                    : roundBox(p, kLockLeft, kLockTop, kLockRight, kLockBottom, 0.5);
        if (plate <= 0) {
            if (!small_ && !medium_ && onLine(plate)) return line;
            const double hole = small_    ? box(p, 9, 11, 10, 12)
                                : medium_ ? box(p, 9, 10.5, 10, 12)
                                          : std::min(circle(p, {kLockX, kKeyholeY}, 0.55),
                                                     box(p, kLockX - 0.25, kKeyholeY, kLockX + 0.25, 12.2));
            if (hole <= 0) return {kKeyhole, kBlack};
            return gold(p, kLockTop, kLockBottom);
        }

        if (p.y >= kSeam && px(p.y - kSeam) < line_) return line;

        // Two metal bands round the chest.
        for (double bx : {5.5, 13.5}) {
            const double band = box(p, bx - 0.5, kLidTop, bx + 0.5, kChestBottom);
            if (band <= 0) {
                if (!small_ && onLine(band)) return line;
                return gold(p, kLidTop, kChestBottom);
            }
        }

        // Planks: lighter lid, darker body, a faint grain line in the body.
        const double t = (p.y - kLidTop) / (kChestBottom - kLidTop);
        Rgb c = mix(kWoodTop, kWoodBottom, t);
        if (p.y < kSeam) c = mix(c, kWoodTop, 0.35);
        if (!small_ && std::abs(p.y - 13.0) * unit_ < line_ * 0.5) c = mix(c, kWoodLine, 0.45);
        return {c, kMaroon};
    }

    static Sample gold(Vec p, double top, double bottom) {
        const double t = (p.y - top) / (bottom - top);
        return {mix(kGoldLight, kGoldDark, t), t < 0.5 ? kYellow : kOlive};
    }

    double unit_;  // pixels per design unit
    bool small_;   // 16x16: fewer details
    bool medium_;  // 32x32: details snapped to whole pixels
    double line_;  // outline width in pixels
};

// ---------------------------------------------------------------------------
// Rasterising

struct Pixel {
    std::uint8_t r = 0, g = 0, b = 0, a = 0;
};

struct Raster {
    int size = 0;
    std::vector<Pixel> px;  // row-major, top row first
    const Pixel& at(int x, int y) const { return px[static_cast<std::size_t>(y) * size + x]; }
};

std::uint8_t toByte(double v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

// Full-colour rendering. Large sizes are anti-aliased with 8x8 samples per
// pixel (straight, not premultiplied, alpha in the result); the 16x16 image
// is drawn as crisp pixel art, which reads better at that size.
Raster renderColour(int size) {
    constexpr int n = 8;
    const Drawing d(size);
    Raster r{size, std::vector<Pixel>(static_cast<std::size_t>(size) * size)};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            Pixel& p = r.px[static_cast<std::size_t>(y) * size + x];
            if (size <= 16) {
                const Sample s = d.crisp(x, y);
                if (s.opaque()) p = {toByte(s.colour.r), toByte(s.colour.g), toByte(s.colour.b), 255};
                continue;
            }
            double sr = 0, sg = 0, sb = 0;
            int covered = 0;
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i) {
                    const Sample s = d.smooth(x + (i + 0.5) / n, y + (j + 0.5) / n);
                    if (!s.opaque()) continue;
                    sr += s.colour.r;
                    sg += s.colour.g;
                    sb += s.colour.b;
                    ++covered;
                }
            if (covered == 0) continue;
            p = {toByte(sr / covered), toByte(sg / covered), toByte(sb / covered),
                 toByte(covered / double(n * n))};
        }
    return r;
}

// Pixel art for the 16-colour images.
std::vector<int> renderVga(int size) {
    const Drawing d(size);
    std::vector<int> out(static_cast<std::size_t>(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) out[static_cast<std::size_t>(y) * size + x] = d.crisp(x, y).vga;
    return out;
}

// ---------------------------------------------------------------------------
// 256-colour palette: median cut over the opaque pixels' colours. Index 0 is
// kept black for transparent pixels.

struct Palette {
    std::vector<std::uint32_t> colours;  // 0xRRGGBB
    int nearest(std::uint32_t c) const {
        int best = 0;
        long bestDist = -1;
        for (std::size_t i = 0; i < colours.size(); ++i) {
            const long dr = long((c >> 16) & 0xFF) - long((colours[i] >> 16) & 0xFF);
            const long dg = long((c >> 8) & 0xFF) - long((colours[i] >> 8) & 0xFF);
            const long db = long(c & 0xFF) - long(colours[i] & 0xFF);
            const long dist = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
            if (bestDist < 0 || dist < bestDist) {
                bestDist = dist;
                best = static_cast<int>(i);
            }
        }
        return best;
    }
};

Palette medianCut(const std::map<std::uint32_t, long>& histogram, std::size_t maxColours) {
    using Entry = std::pair<std::uint32_t, long>;
    std::vector<std::vector<Entry>> boxes;
    boxes.emplace_back(histogram.begin(), histogram.end());
    auto channel = [](std::uint32_t c, int ch) { return int((c >> (16 - 8 * ch)) & 0xFF); };
    auto range = [&](const std::vector<Entry>& b, int& widest) {
        int best = -1;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 255, hi = 0;
            for (const auto& e : b) {
                lo = std::min(lo, channel(e.first, ch));
                hi = std::max(hi, channel(e.first, ch));
            }
            if (hi - lo > best) {
                best = hi - lo;
                widest = ch;
            }
        }
        return best;
    };
    while (boxes.size() < maxColours) {
        // Split the box with the widest colour range (first one on ties).
        int pick = -1, pickRange = 0, pickChannel = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].size() < 2) continue;
            int ch = 0;
            const int r = range(boxes[i], ch);
            if (r > pickRange) {
                pickRange = r;
                pick = static_cast<int>(i);
                pickChannel = ch;
            }
        }
        if (pick < 0) break;
        auto& b = boxes[static_cast<std::size_t>(pick)];
        std::sort(b.begin(), b.end(), [&](const Entry& x, const Entry& y) {
            const int cx = channel(x.first, pickChannel), cy = channel(y.first, pickChannel);
            return cx != cy ? cx < cy : x.first < y.first;
        });
        long total = 0;
        for (const auto& e : b) total += e.second;
        long run = 0;
        std::size_t cut = 1;
        for (std::size_t i = 0; i + 1 < b.size(); ++i) {
            run += b[i].second;
            cut = i + 1;
            if (2 * run >= total) break;
        }
        std::vector<Entry> upper(b.begin() + static_cast<std::ptrdiff_t>(cut), b.end());
        b.resize(cut);
        boxes.push_back(std::move(upper));
    }
    Palette pal;
    pal.colours.push_back(0x000000);
    for (const auto& b : boxes) {
        double r = 0, g = 0, bl = 0, w = 0;
        for (const auto& e : b) {
            r += channel(e.first, 0) * double(e.second);
            g += channel(e.first, 1) * double(e.second);
            bl += channel(e.first, 2) * double(e.second);
            w += double(e.second);
        }
        auto avg = [&](double v) { return std::uint32_t(std::lround(v / w)); };
        pal.colours.push_back((avg(r) << 16) | (avg(g) << 8) | avg(bl));
    }
    return pal;
}

// ---------------------------------------------------------------------------
// DIB encoding

class Bytes {
public:
    void u8(std::uint8_t v) { data.push_back(v); }
    void u16(std::uint16_t v) {
        u8(std::uint8_t(v));
        u8(std::uint8_t(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(std::uint16_t(v));
        u16(std::uint16_t(v >> 16));
    }
    std::vector<std::uint8_t> data;
};

std::size_t stride(int width, int bpp) { return ((std::size_t(width) * bpp + 31) / 32) * 4; }

// An icon image: BITMAPINFOHEADER (height doubled for the mask), palette,
// XOR bitmap and AND mask, both bottom-up.
struct IconImage {
    int size = 0;
    int bpp = 0;
    std::vector<std::uint8_t> dib;
};

void header(Bytes& out, int size, int bpp, std::size_t imageBytes) {
    out.u32(40);                              // biSize
    out.u32(std::uint32_t(size));             // biWidth
    out.u32(std::uint32_t(size * 2));         // biHeight: XOR + AND
    out.u16(1);                               // biPlanes
    out.u16(std::uint16_t(bpp));              // biBitCount
    out.u32(0);                               // biCompression: BI_RGB
    out.u32(std::uint32_t(imageBytes));       // biSizeImage
    out.u32(0);                               // biXPelsPerMeter
    out.u32(0);                               // biYPelsPerMeter
    out.u32(0);                               // biClrUsed: full palette
    out.u32(0);                               // biClrImportant
}

void mask(Bytes& out, int size, const std::vector<bool>& transparent) {
    const std::size_t rowBytes = stride(size, 1);
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(rowBytes, 0);
        for (int x = 0; x < size; ++x)
            if (transparent[std::size_t(y) * size + x]) row[std::size_t(x) / 8] |= std::uint8_t(0x80 >> (x % 8));
        for (auto b : row) out.u8(b);
    }
}

void palette(Bytes& out, const std::vector<std::uint32_t>& colours, std::size_t entries) {
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint32_t c = i < colours.size() ? colours[i] : 0;
        out.u8(std::uint8_t(c));         // blue
        out.u8(std::uint8_t(c >> 8));    // green
        out.u8(std::uint8_t(c >> 16));   // red
        out.u8(0);
    }
}

// Writes indexed pixels (4 or 8 bpp) with palette and mask.
IconImage indexedImage(int size, int bpp, const std::vector<std::uint32_t>& colours,
                       const std::vector<int>& index, const std::vector<bool>& transparent) {
    Bytes out;
    const std::size_t xorRow = stride(size, bpp), andRow = stride(size, 1);
    header(out, size, bpp, (xorRow + andRow) * std::size_t(size));
    palette(out, colours, std::size_t(1) << bpp);
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(xorRow, 0);
        for (int x = 0; x < size; ++x) {
            const std::size_t i = std::size_t(y) * size + x;
            const int v = transparent[i] ? 0 : index[i];
            if (bpp == 8)
                row[std::size_t(x)] = std::uint8_t(v);
            else
                row[std::size_t(x) / 2] |= std::uint8_t(x % 2 == 0 ? v << 4 : v);
        }
        for (auto b : row) out.u8(b);
    }
    mask(out, size, transparent);
    return {size, bpp, std::move(out.data)};
}

IconImage image4(int size) {
    const std::vector<int> vga = renderVga(size);
    std::vector<bool> transparent(vga.size());
    for (std::size_t i = 0; i < vga.size(); ++i) transparent[i] = vga[i] == kTransparent;
    std::vector<std::uint32_t> colours(kVgaPalette.begin(), kVgaPalette.end());
    return indexedImage(size, 4, colours, vga, transparent);
}

std::uint32_t rgbOf(const Pixel& p) { return (std::uint32_t(p.r) << 16) | (std::uint32_t(p.g) << 8) | p.b; }

IconImage image8(int size) {
    // Smooth inside, hard outer edge: the mask decides visibility.
    const Raster r = renderColour(size);
    std::vector<bool> transparent(r.px.size());
    std::map<std::uint32_t, long> histogram;
    for (std::size_t i = 0; i < r.px.size(); ++i) {
        transparent[i] = r.px[i].a < 128;
        if (!transparent[i]) ++histogram[rgbOf(r.px[i])];
    }
    const Palette pal = medianCut(histogram, 255);
    std::vector<int> index(r.px.size(), 0);
    for (std::size_t i = 0; i < r.px.size(); ++i)
        if (!transparent[i]) index[i] = pal.nearest(rgbOf(r.px[i]));
    return indexedImage(size, 8, pal.colours, index, transparent);
}

IconImage image32(int size) {
    const Raster r = renderColour(size);
    Bytes out;
    const std::size_t andRow = stride(size, 1);
    header(out, size, 32, (std::size_t(size) * 4 + andRow) * std::size_t(size));
    std::vector<bool> transparent(r.px.size());
    for (int y = size - 1; y >= 0; --y)
        for (int x = 0; x < size; ++x) {
            const Pixel& p = r.at(x, y);
            transparent[std::size_t(y) * size + x] = p.a < 128;
            out.u8(p.a ? p.b : 0);
            out.u8(p.a ? p.g : 0);
            out.u8(p.a ? p.r : 0);
            out.u8(p.a);
        }
    mask(out, size, transparent);
    return {size, 32, std::move(out.data)};
}

std::vector<std::uint8_t> iconFile(const std::vector<IconImage>& images) {
    Bytes out;
    out.u16(0);  // reserved
    out.u16(1);  // type: icon
    out.u16(std::uint16_t(images.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(images.size());
    for (const auto& im : images) {
        out.u8(std::uint8_t(im.size));                  // width (0 would mean 256)
        out.u8(std::uint8_t(im.size));                  // height
        out.u8(std::uint8_t(im.bpp == 4 ? 16 : 0));     // colour count
        out.u8(0);                                      // reserved
        out.u16(1);                                     // planes
        out.u16(std::uint16_t(im.bpp));                 // bit count
        out.u32(std::uint32_t(im.dib.size()));
        out.u32(offset);
        offset += std::uint32_t(im.dib.size());
    }
    for (const auto& im : images) out.data.insert(out.data.end(), im.dib.begin(), im.dib.end());
    return out.data;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_icon OUTPUT.ico\n";
        return 2;
    }
    std::vector<IconImage> images;
    for (int s : {48, 32, 16}) images.push_back(image4(s));
    for (int s : {48, 32, 16}) images.push_back(image8(s));
    for (int s : {128, 48, 32, 16}) images.push_back(image32(s));
    const std::vector<std::uint8_t> bytes = iconFile(images);

    std::ofstream f(argv[1], std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    f.close();
    if (!f) {
        std::cerr << "make_icon: cannot write " << argv[1] << "\n";
        return 1;
    }
    std::cout << "make_icon: wrote " << argv[1] << " (" << bytes.size() << " bytes, "
              << images.size() << " images)\n";
    return 0;
}
