// Draws the program's own pictures (gutter glyphs, object, status, message, tool-bar and dialog
// images, cursors) from simple shapes, writes each as a PNG or cursor file, a contact sheet of all
// of them, and a C++ source that compiles the files into the program:
//   draw_artwork <output folder> <generated source>
// Shapes are given in unit coordinates (0..1 across the picture, y down) and drawn with 4 x 4
// samples per pixel, so one drawing serves every size.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>
#include <zlib.h>

namespace {

struct Rgba {
    double r = 0, g = 0, b = 0, a = 0;
};

Rgba Hex(uint32_t rgb, double alpha = 1) {
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
}

Rgba Mix(Rgba a, Rgba b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

using Shape = std::function<bool(double x, double y)>;

Shape Disc(double cx, double cy, double r) {
    return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}
Shape Ellipse(double cx, double cy, double rx, double ry) {
    return [=](double x, double y) {
        return (x - cx) * (x - cx) / (rx * rx) + (y - cy) * (y - cy) / (ry * ry) <= 1;
    };
}
Shape Ring(double cx, double cy, double r, double width) {
    return [=](double x, double y) {
        const double d = std::hypot(x - cx, y - cy);
        return d <= r && d >= r - width;
    };
}
Shape Box(double x0, double y0, double x1, double y1, double radius = 0) {
    return [=](double x, double y) {
        if (x < x0 || x > x1 || y < y0 || y > y1) return false;
        const double dx = std::max({x0 + radius - x, 0.0, x - (x1 - radius)});
        const double dy = std::max({y0 + radius - y, 0.0, y - (y1 - radius)});
        return dx * dx + dy * dy <= radius * radius;
    };
}
// A line of the given width with round ends.
Shape Stroke(double x0, double y0, double x1, double y1, double width) {
    return [=](double x, double y) {
        const double vx = x1 - x0, vy = y1 - y0;
        const double t = std::clamp(((x - x0) * vx + (y - y0) * vy) / (vx * vx + vy * vy), 0.0, 1.0);
        return std::hypot(x - (x0 + t * vx), y - (y0 + t * vy)) <= width / 2;
    };
}
// A ring between two angles (degrees, clockwise from the right, since y points down).
Shape Arc(double cx, double cy, double r, double width, double from, double to) {
    return [=](double x, double y) {
        const double d = std::hypot(x - cx, y - cy);
        if (d > r || d < r - width) return false;
        double angle = std::atan2(y - cy, x - cx) * 180 / M_PI;
        if (angle < from) angle += 360;
        return angle >= from && angle <= to;
    };
}
Shape Polygon(std::vector<std::pair<double, double>> points) {
    return [points](double x, double y) {
        bool inside = false;
        for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const auto [xi, yi] = points[i];
            const auto [xj, yj] = points[j];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
        }
        return inside;
    };
}
Shape Union(std::vector<Shape> parts) {
    return [parts](double x, double y) {
        return std::any_of(parts.begin(), parts.end(), [&](const Shape& s) { return s(x, y); });
    };
}
Shape Minus(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) && !b(x, y); };
}

// A 3 x 5 pixel font for digits, capitals and a few signs: five rows of three pixels.
const std::array<uint16_t, 128>& Font() {
    static const std::array<uint16_t, 128> font = [] {
        std::array<uint16_t, 128> f{};
        auto set = [&](char c, const char* rows) {
            uint16_t bits = 0;
            for (const char* p = rows; *p; ++p)
                if (*p != ' ') bits = static_cast<uint16_t>(bits << 1 | (*p == '#'));
            f[static_cast<size_t>(c)] = bits;
        };
        set('0', "### #.# #.# #.# ###");
        set('1', ".#. ##. .#. .#. ###");
        set('2', "### ..# ### #.. ###");
        set('3', "### ..# ### ..# ###");
        set('4', "#.# #.# ### ..# ..#");
        set('5', "### #.. ### ..# ###");
        set('6', "### #.. ### #.# ###");
        set('7', "### ..# ..# ..# ..#");
        set('8', "### #.# ### #.# ###");
        set('9', "### #.# ### ..# ###");
        set('A', ".#. #.# ### #.# #.#");
        set('B', "##. #.# ##. #.# ##.");
        set('C', "### #.. #.. #.. ###");
        set('D', "##. #.# #.# #.# ##.");
        set('E', "### #.. ### #.. ###");
        set('F', "### #.. ### #.. #..");
        set('G', "### #.. #.# #.# ###");
        set('H', "#.# #.# ### #.# #.#");
        set('I', "### .#. .#. .#. ###");
        set('J', "..# ..# ..# #.# ###");
        set('K', "#.# #.# ##. #.# #.#");
        set('L', "#.. #.. #.. #.. ###");
        set('M', "#.# ### ### #.# #.#");
        set('N', "##. #.# #.# #.# #.#");
        set('O', "### #.# #.# #.# ###");
        set('P', "### #.# ### #.. #..");
        set('Q', "### #.# #.# ### ..#");
        set('R', "### #.# ##. #.# #.#");
        set('S', "### #.. ### ..# ###");
        set('T', "### .#. .#. .#. .#.");
        set('U', "#.# #.# #.# #.# ###");
        set('V', "#.# #.# #.# #.# .#.");
        set('W', "#.# #.# ### ### #.#");
        set('X', "#.# #.# .#. #.# #.#");
        set('Y', "#.# #.# .#. .#. .#.");
        set('Z', "### ..# .#. #.. ###");
        set('_', "... ... ... ... ###");
        set('=', "... ### ... ### ...");
        set('?', "### ..# .## ... .#.");
        set('-', "... ... ### ... ...");
        set('+', "... .#. ### .#. ...");
        return f;
    }();
    return font;
}

// One picture being drawn: straight (not premultiplied) colours.
class Picture {
public:
    Picture(std::string name, int width, int height)
        : name_(std::move(name)), width_(width), height_(height),
          pixels_(static_cast<size_t>(width * height)) {}

    const std::string& Name() const { return name_; }
    // A cursor has a hot spot, in pixels.
    bool IsCursor() const { return hotX_ >= 0; }
    Picture& SetHotSpot(int x, int y) {
        hotX_ = x;
        hotY_ = y;
        return *this;
    }
    int Width() const { return width_; }
    int Height() const { return height_; }
    const Rgba& At(int x, int y) const { return pixels_[static_cast<size_t>(y * width_ + x)]; }

    // Fills the shape with a colour running from `top` to `bottom`.
    Picture& Fill(const Shape& shape, Rgba top, Rgba bottom) {
        constexpr int kSamples = 4;
        for (int py = 0; py < height_; ++py)
            for (int px = 0; px < width_; ++px) {
                int inside = 0;
                for (int sy = 0; sy < kSamples; ++sy)
                    for (int sx = 0; sx < kSamples; ++sx)
                        inside += shape((px + (sx + 0.5) / kSamples) / width_,
                                        (py + (sy + 0.5) / kSamples) / height_);
                if (inside == 0) continue;
                Rgba colour = Mix(top, bottom, (py + 0.5) / height_);
                colour.a *= static_cast<double>(inside) / (kSamples * kSamples);
                Over(pixels_[static_cast<size_t>(py * width_ + px)], colour);
            }
        return *this;
    }
    Picture& Fill(const Shape& shape, Rgba colour) { return Fill(shape, colour, colour); }

    // Text in the pixel font at pixel (x, y), each font pixel `cell` pixels square.
    Picture& Text(const std::string& text, int x, int y, int cell, Rgba colour) {
        std::vector<Shape> parts;
        const double w = width_, h = height_;
        for (size_t i = 0; i < text.size(); ++i) {
            const uint16_t bits = Font()[static_cast<size_t>(text[i]) & 127];
            for (int bit = 0; bit < 15; ++bit)
                if (bits & (1 << (14 - bit))) {
                    const int left = x + (static_cast<int>(i) * 4 + bit % 3) * cell,
                              top = y + (bit / 3) * cell;
                    parts.push_back(Box(left / w, top / h, (left + cell) / w, (top + cell) / h));
                }
        }
        return Fill(Union(parts), colour);
    }

    // Mixes every colour towards white: the hot look of a tool-bar picture.
    Picture Brightened(std::string name) const {
        Picture hot(std::move(name), width_, height_);
        hot.pixels_ = pixels_;
        for (Rgba& p : hot.pixels_) {
            const double alpha = p.a;
            p = Mix(p, Hex(0xFFFFFF), 0.3);
            p.a = alpha;
        }
        return hot;
    }

    void Blit(const Picture& source, int left, int top) {
        for (int y = 0; y < source.height_; ++y)
            for (int x = 0; x < source.width_; ++x)
                if (left + x < width_ && top + y < height_)
                    Over(pixels_[static_cast<size_t>((top + y) * width_ + left + x)], source.At(x, y));
    }

    // An RGBA PNG file, each row unfiltered.
    std::string Png() const {
        std::string raw;
        for (int y = 0; y < height_; ++y) {
            raw += '\0';
            for (int x = 0; x < width_; ++x) {
                const Rgba& p = At(x, y);
                for (double v : {p.r, p.g, p.b, p.a})
                    raw += static_cast<char>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
            }
        }
        uLongf size = compressBound(static_cast<uLong>(raw.size()));
        std::string data(size, '\0');
        compress2(reinterpret_cast<Bytef*>(data.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                  static_cast<uLong>(raw.size()), 9);
        data.resize(size);
        std::string header =
            BigEndian(static_cast<uint32_t>(width_)) + BigEndian(static_cast<uint32_t>(height_));
        header += std::string("\x08\x06\0\0\0", 5);
        return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) + Chunk("IDAT", data) +
               Chunk("IEND", "");
    }

private:
    static void Over(Rgba& d, const Rgba& s) {
        const double a = s.a + d.a * (1 - s.a);
        if (a <= 0) return;
        d = {(s.r * s.a + d.r * d.a * (1 - s.a)) / a, (s.g * s.a + d.g * d.a * (1 - s.a)) / a,
             (s.b * s.a + d.b * d.a * (1 - s.a)) / a, a};
    }
    static std::string BigEndian(uint32_t v) {
        return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                static_cast<char>(v)};
    }
    static std::string Chunk(const std::string& type, const std::string& data) {
        const std::string body = type + data;
        const uLong crc =
            crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
        return BigEndian(static_cast<uint32_t>(data.size())) + body + BigEndian(static_cast<uint32_t>(crc));
    }

    std::string name_;
    int width_, height_;
    int hotX_ = -1, hotY_ = -1;
    std::vector<Rgba> pixels_;

public:
    // The resource's bytes: the PNG file, or for a cursor a cursor file holding it.
    std::string ResourceBytes() const {
        const std::string png = Png();
        if (!IsCursor()) return png;
        auto le = [](uint32_t v, int bytes) {
            std::string out;
            for (int i = 0; i < bytes; ++i)
                out += static_cast<char>(v >> (8 * i));
            return out;
        };
        return le(0, 2) + le(2, 2) + le(1, 2) + le(static_cast<uint32_t>(width_ & 0xFF), 1) +
               le(static_cast<uint32_t>(height_ & 0xFF), 1) + le(0, 2) + le(static_cast<uint32_t>(hotX_), 2) +
               le(static_cast<uint32_t>(hotY_), 2) + le(static_cast<uint32_t>(png.size()), 4) + le(22, 4) +
               png;
    }
};

// ---- the glyphs ----

const Rgba kOutline = Hex(0x1E2A38);

Picture Breakpoint(const char* name, int size, bool enabled) {
    Picture p(name, size, size);
    if (enabled)
        p.Fill(Disc(0.5, 0.5, 0.44), Hex(0xF05A4F), Hex(0xB81F1F))
            .Fill(Ring(0.5, 0.5, 0.44, 0.09), Hex(0x7A1010));
    else
        p.Fill(Disc(0.5, 0.5, 0.44), Hex(0xFFFFFF, 0.6)).Fill(Ring(0.5, 0.5, 0.44, 0.12), Hex(0x8A8A8A));
    return p;
}

// An arrow pointing right.
Shape RightArrow(double x0, double x1, double y, double shaft, double head) {
    const double neck = x1 - head * 0.9;
    return Union({Box(x0, y - shaft / 2, neck + 0.01, y + shaft / 2),
                  Polygon({{neck, y - head / 2}, {x1, y}, {neck, y + head / 2}})});
}

Picture ExecutionLine(const char* name, int size, Rgba top, Rgba bottom) {
    Picture p(name, size, size);
    const Shape arrow = RightArrow(0.06, 0.96, 0.5, 0.36, 0.9);
    return p.Fill(arrow, kOutline).Fill(RightArrow(0.14, 0.86, 0.5, 0.2, 0.66), top, bottom);
}

Picture Bookmark(int digit) {
    Picture p("GUTTER_BOOKMARK_" + std::to_string(digit), 12, 12);
    const Shape ribbon = Polygon({{0.04, 0.0}, {0.96, 0.0}, {0.96, 1.0}, {0.5, 0.8}, {0.04, 1.0}});
    p.Fill(ribbon, Hex(0x4C8DDB), Hex(0x1F56A8));
    // The digit, one font pixel per picture pixel, centred in the square part.
    return p.Text(std::string(1, static_cast<char>('0' + digit)), 4, 2, 1, Hex(0xFFFFFF));
}

// A database drum.
Picture Cylinder(std::string name, int size, Rgba side, Rgba top) {
    Picture p(std::move(name), size, size);
    p.Fill(Union({Box(0.16, 0.2, 0.84, 0.82), Ellipse(0.5, 0.82, 0.34, 0.12)}), Mix(side, Hex(0xFFFFFF), 0.2),
           side);
    p.Fill(Ellipse(0.5, 0.2, 0.34, 0.12), top);
    p.Fill(Minus(Ellipse(0.5, 0.2, 0.34, 0.12), Ellipse(0.5, 0.2, 0.28, 0.08)), kOutline);
    return p;
}

// A rounded tile with a letter: the routine kinds and the help pages.
Picture LetterTile(std::string name, int size, const std::string& letter, Rgba top, Rgba bottom) {
    Picture p(std::move(name), size, size);
    p.Fill(Box(0.06, 0.06, 0.94, 0.94, 0.18), top, bottom)
        .Fill(Minus(Box(0.06, 0.06, 0.94, 0.94, 0.18), Box(0.12, 0.12, 0.88, 0.88, 0.12)), kOutline);
    // As large as fits in the tile's middle, on whole pixels.
    const int columns = 4 * static_cast<int>(letter.size()) - 1;
    const int cell = std::max(1, static_cast<int>(std::min(0.13 * size, 0.75 * size / columns)));
    return p.Text(letter, (size - columns * cell) / 2, (size - 5 * cell) / 2, cell, Hex(0xFFFFFF));
}

// A sheet of paper with a folded corner.
Shape Paper() {
    return Polygon({{0.2, 0.06}, {0.62, 0.06}, {0.82, 0.26}, {0.82, 0.94}, {0.2, 0.94}});
}

Picture Document(std::string name, int size) {
    Picture p(std::move(name), size, size);
    p.Fill(Paper(), Hex(0xFFFFFF), Hex(0xDCE4EE))
        .Fill(Minus(Paper(), Polygon({{0.25, 0.11}, {0.6, 0.11}, {0.77, 0.28}, {0.77, 0.89}, {0.25, 0.89}})),
              kOutline);
    return p.Fill(Polygon({{0.62, 0.06}, {0.62, 0.26}, {0.82, 0.26}}), Hex(0xB8C4D2));
}

const Rgba kGreen = Hex(0x3DBE4A), kDarkGreen = Hex(0x1E7D2A), kBlue = Hex(0x3C86D8),
           kDarkBlue = Hex(0x1B4F96);

std::vector<Picture> ToolBarPictures(int size, const std::string& prefix) {
    std::vector<Picture> pictures;
    auto add = [&](const char* name) -> Picture& { return pictures.emplace_back(prefix + name, size, size); };

    Picture newSession = Document(prefix + "NEW_SESSION", size);
    newSession.Fill(Union({Box(0.5, 0.62, 0.94, 0.74), Box(0.66, 0.46, 0.78, 0.9)}), kGreen);
    pictures.push_back(newSession);

    // Storing: an arrow down into a tray; all routines: two trays.
    auto tray = [](double y) {
        return Minus(Box(0.12, y, 0.88, y + 0.22, 0.05), Box(0.2, y - 0.02, 0.8, y + 0.14));
    };
    auto down = Union({Box(0.42, 0.08, 0.58, 0.42), Polygon({{0.26, 0.4}, {0.74, 0.4}, {0.5, 0.64}})});
    add("STORE").Fill(tray(0.7), Hex(0x556677)).Fill(down, kBlue, kDarkBlue);
    add("STORE_ALL")
        .Fill(tray(0.74), Hex(0x556677))
        .Fill(tray(0.58), Hex(0x7A8A9A))
        .Fill(Union({Box(0.42, 0.04, 0.58, 0.3), Polygon({{0.26, 0.28}, {0.74, 0.28}, {0.5, 0.5}})}), kBlue,
              kDarkBlue);

    Picture compile = Document(prefix + "COMPILE", size);
    compile.Fill(Union({Stroke(0.3, 0.6, 0.45, 0.76, 0.1), Stroke(0.45, 0.76, 0.74, 0.4, 0.1)}), kGreen);
    pictures.push_back(compile);

    add("RUN").Fill(Polygon({{0.24, 0.12}, {0.86, 0.5}, {0.24, 0.88}}), kGreen, kDarkGreen);
    // Step into: an arrow bending down onto a line; step over: an arc over a dot.
    add("STEP_INTO")
        .Fill(Box(0.18, 0.78, 0.82, 0.88, 0.03), Hex(0x556677))
        .Fill(Union({Box(0.44, 0.1, 0.56, 0.5), Polygon({{0.28, 0.46}, {0.72, 0.46}, {0.5, 0.7}})}), kBlue,
              kDarkBlue);
    add("STEP_OVER")
        .Fill(Disc(0.5, 0.8, 0.09), Hex(0x556677))
        .Fill(Arc(0.5, 0.6, 0.34, 0.11, 180, 330), kBlue, kDarkBlue)
        .Fill(Polygon({{0.7, 0.56}, {0.96, 0.5}, {0.84, 0.76}}), kDarkBlue);
    add("PAUSE").Fill(Union({Box(0.22, 0.16, 0.42, 0.84, 0.04), Box(0.58, 0.16, 0.78, 0.84, 0.04)}), kBlue,
                      kDarkBlue);
    add("RESET").Fill(Box(0.2, 0.2, 0.8, 0.8, 0.06), Hex(0xE25A4A), Hex(0xA52020));
    // Evaluate: "x=" on a tile; SQL: a drum; help: a question mark in a ring.
    Picture evaluate = LetterTile(prefix + "EVALUATE", size, "X=", Hex(0xF2B233), Hex(0xC07A10));
    pictures.push_back(evaluate);
    pictures.push_back(Cylinder(prefix + "SQL", size, Hex(0x3C86D8), Hex(0x9CC4F0)));
    Picture help(prefix + "HELP", size, size);
    help.Fill(Disc(0.5, 0.5, 0.44), kBlue, kDarkBlue)
        .Fill(Arc(0.5, 0.38, 0.17, 0.1, 180, 450), Hex(0xFFFFFF))
        .Fill(Box(0.45, 0.5, 0.55, 0.64), Hex(0xFFFFFF))
        .Fill(Disc(0.5, 0.76, 0.06), Hex(0xFFFFFF));
    pictures.push_back(help);
    return pictures;
}

std::vector<Picture> AllPictures() {
    std::vector<Picture> all;
    // The editor's gutter, 12 x 12.
    for (int digit = 0; digit <= 9; ++digit)
        all.push_back(Bookmark(digit));
    all.push_back(Breakpoint("GUTTER_BREAKPOINT", 12, true));
    all.push_back(Breakpoint("GUTTER_DISABLED_BREAKPOINT", 12, false));
    all.push_back(ExecutionLine("GUTTER_EXEC_LINE", 12, Hex(0xFFE04A), Hex(0xF0A000)));
    all.push_back(ExecutionLine("GUTTER_CURRENT_LINE", 12, Hex(0x8FE08F), Hex(0x2E9E3E)));

    // Objects of the schema browser and the routine tabs, 16 x 16: schema, procedure, function, main.
    all.push_back(Cylinder("OBJECT_SCHEMA", 16, Hex(0xD98E2B), Hex(0xF6C980)));
    all.push_back(LetterTile("OBJECT_PROCEDURE", 16, "P", kBlue, kDarkBlue));
    all.push_back(LetterTile("OBJECT_FUNCTION", 16, "F", Hex(0x9B5CD6), Hex(0x5E2A99)));
    // The main block: angle brackets around the code.
    Picture main = LetterTile("OBJECT_MAIN_BLOCK", 16, "", kGreen, kDarkGreen);
    main.Fill(Union({Stroke(0.44, 0.28, 0.26, 0.5, 0.12), Stroke(0.26, 0.5, 0.44, 0.72, 0.12),
                     Stroke(0.56, 0.28, 0.74, 0.5, 0.12), Stroke(0.74, 0.5, 0.56, 0.72, 0.12)}),
              Hex(0xFFFFFF));
    all.push_back(main);

    // Status bar: the notice of a new version and the current database.
    Picture notice("STATUS_NOTICE", 16, 16);
    notice.Fill(Disc(0.5, 0.5, 0.44), Hex(0xFFD23F), Hex(0xE89A00))
        .Fill(Box(0.43, 0.2, 0.57, 0.6, 0.04), kOutline)
        .Fill(Disc(0.5, 0.76, 0.08), kOutline);
    all.push_back(notice);
    all.push_back(Cylinder("STATUS_DATABASE", 16, Hex(0x3C86D8), Hex(0x9CC4F0)));

    // Output messages by kind: 0 none, 1 error or warning, 2 information, 3 statement, 4 rows.
    all.push_back(Picture("MESSAGE_0", 16, 16).Fill(Disc(0.5, 0.5, 0.2), Hex(0x9AA4AE)));
    all.push_back(Picture("MESSAGE_1", 16, 16)
                      .Fill(Disc(0.5, 0.5, 0.44), Hex(0xF05A4F), Hex(0xB81F1F))
                      .Text("X", 5, 3, 2, Hex(0xFFFFFF)));
    all.push_back(Picture("MESSAGE_2", 16, 16)
                      .Fill(Disc(0.5, 0.5, 0.44), kBlue, kDarkBlue)
                      .Text("I", 5, 3, 2, Hex(0xFFFFFF)));
    all.push_back(Document("MESSAGE_3", 16));
    Picture rows("MESSAGE_4", 16, 16);
    rows.Fill(Box(0.08, 0.12, 0.92, 0.88, 0.06), Hex(0xFFFFFF))
        .Fill(Minus(Box(0.08, 0.12, 0.92, 0.88, 0.06), Box(0.16, 0.2, 0.84, 0.8)), kOutline);
    for (double y : {0.34, 0.5, 0.66})
        rows.Fill(Box(0.16, y - 0.03, 0.84, y + 0.03), Hex(0x7A8A9A));
    all.push_back(rows);

    // The evaluate window's tool bar and the help window.
    all.push_back(LetterTile("EVALUATE_EVALUATE", 16, "=", Hex(0xF2B233), Hex(0xC07A10)));
    Picture watch("EVALUATE_WATCH", 16, 16);
    watch.Fill(Ellipse(0.5, 0.5, 0.46, 0.3), Hex(0xFFFFFF))
        .Fill(Minus(Ellipse(0.5, 0.5, 0.46, 0.3), Ellipse(0.5, 0.5, 0.38, 0.22)), kOutline)
        .Fill(Disc(0.5, 0.5, 0.16), kBlue, kDarkBlue);
    all.push_back(watch);
    Picture find("HELP_FIND", 16, 16);
    find.Fill(Ring(0.42, 0.42, 0.3, 0.1), kOutline).Fill(Stroke(0.62, 0.62, 0.88, 0.88, 0.14), kOutline);
    all.push_back(find);
    all.push_back(LetterTile("HELP_CONTENTS", 16, "C", kBlue, kDarkBlue));
    Picture category("HELP_CATEGORY", 16, 16);
    category.Fill(Box(0.06, 0.2, 0.94, 0.86, 0.06), Hex(0xF6D27A), Hex(0xD9A43A))
        .Fill(Box(0.06, 0.12, 0.44, 0.3, 0.05), Hex(0xD9A43A));
    all.push_back(category);
    all.push_back(Document("HELP_TOPIC", 16));

    // The main tool bar, 48 x 48 with hot versions, and the same pictures for menus at 16 x 16.
    for (Picture& p : ToolBarPictures(48, "TOOLBAR_")) {
        Picture hot = p.Brightened(p.Name() + "_HOT");
        all.push_back(std::move(p));
        all.push_back(std::move(hot));
    }
    for (Picture& p : ToolBarPictures(16, "MENU_"))
        all.push_back(std::move(p));

    // Cursors, 32 x 32: the editor's text drag (move and copy) and the link label's hand and drag hand.
    const Rgba white = Hex(0xFFFFFF), black = Hex(0x000000);
    auto outlined = [&](Picture& p, const std::vector<std::pair<double, double>>& points) {
        p.Fill(Polygon(points), white);
        for (size_t i = 0; i < points.size(); ++i) {
            const auto [x0, y0] = points[i];
            const auto [x1, y1] = points[(i + 1) % points.size()];
            p.Fill(Stroke(x0, y0, x1, y1, 1.2 / 32), black);
        }
    };
    const std::vector<std::pair<double, double>> arrow = {
        {0.03, 0.03}, {0.03, 0.62}, {0.17, 0.5}, {0.27, 0.72}, {0.35, 0.68}, {0.25, 0.47}, {0.42, 0.47}};
    for (const bool copy : {false, true}) {
        Picture cursor(copy ? "DRAGCOPY" : "DRAGMOVE", 32, 32);
        outlined(cursor, arrow);
        cursor.Fill(Minus(Box(0.44, 0.6, 0.78, 0.86), Box(0.47, 0.63, 0.75, 0.83)), black);
        if (copy) {
            cursor.Fill(Box(0.66, 0.66, 0.97, 0.97), white)
                .Fill(Minus(Box(0.66, 0.66, 0.97, 0.97), Box(0.69, 0.69, 0.94, 0.94)), black);
            cursor.Fill(Union({Box(0.72, 0.79, 0.91, 0.84), Box(0.79, 0.72, 0.84, 0.91)}), black);
        }
        all.push_back(std::move(cursor.SetHotSpot(1, 1)));
    }
    Picture hand("UX_HANDCUR", 32, 32);
    outlined(hand, {{0.34, 0.04},
                    {0.44, 0.04},
                    {0.44, 0.4},
                    {0.78, 0.44},
                    {0.82, 0.8},
                    {0.7, 0.96},
                    {0.38, 0.96},
                    {0.16, 0.62},
                    {0.22, 0.56},
                    {0.34, 0.66}});
    hand.Fill(Union({Stroke(0.52, 0.42, 0.52, 0.58, 1.0 / 32), Stroke(0.62, 0.43, 0.62, 0.58, 1.0 / 32)}),
              black);
    all.push_back(std::move(hand.SetHotSpot(12, 1)));
    Picture grab("UX_DRAGCUR", 32, 32);
    outlined(grab, {{0.2, 0.34},
                    {0.3, 0.26},
                    {0.42, 0.3},
                    {0.52, 0.24},
                    {0.62, 0.3},
                    {0.74, 0.28},
                    {0.84, 0.38},
                    {0.82, 0.76},
                    {0.66, 0.92},
                    {0.36, 0.92},
                    {0.2, 0.7}});
    for (double x : {0.42, 0.52, 0.62, 0.74})
        grab.Fill(Stroke(x, 0.32, x, 0.46, 1.0 / 32), black);
    all.push_back(std::move(grab.SetHotSpot(16, 16)));

    // The about box and the connection dialog: a gutter with a breakpoint and an arrow over code lines.
    auto banner = [](const char* name, int width, int height) {
        Picture p(name, width, height);
        p.Fill(Box(0, 0, 1, 1), Hex(0x24405E), Hex(0x10202F));
        const double gutter = 0.12 * height / width;
        p.Fill(Box(0, 0, gutter * 2.2, 1), Hex(0x34587E, 0.8));
        for (int line = 0; line < 6; ++line) {
            const double y = 0.18 + line * 0.12, length = 0.3 + 0.07 * ((line * 5) % 7);
            p.Fill(Box(gutter * 2.8, y, gutter * 2.8 + length, y + 0.04, 0.01),
                   Hex(line == 3 ? 0xFFE04A : 0x6F93B8));
        }
        p.Fill(Ellipse(gutter * 1.1, 0.2, gutter * 0.6, 0.05), Hex(0xF05A4F), Hex(0xB81F1F));
        p.Fill(Polygon({{gutter * 0.4, 0.52}, {gutter * 1.9, 0.56}, {gutter * 0.4, 0.6}}), Hex(0xFFE04A));
        return p;
    };
    all.push_back(banner("ABOUT_PICTURE", 320, 120));
    all.push_back(banner("CONNECTION_PICTURE", 96, 96));
    return all;
}

// The gutter glyphs are the program's resources of type "PNG" and cursors are cursor resources
// ("#1"); the rest are images of its windows.
const char* ResourceType(const Picture& p) {
    if (p.IsCursor()) return "#1";
    return p.Name().rfind("GUTTER_", 0) == 0 ? "PNG" : "ARTWORK";
}

// Every picture on a checkerboard with its name below.
Picture ContactSheet(const std::vector<Picture>& pictures) {
    constexpr int kWidth = 900, kGap = 10, kLabel = 10;
    struct Placed {
        const Picture* picture;
        int x, y;
    };
    std::vector<Placed> placed;
    int x = kGap, y = kGap, rowHeight = 0;
    for (const Picture& p : pictures) {
        const int cell = std::max(p.Width(), static_cast<int>(p.Name().size()) * 4);
        if (x + cell > kWidth - kGap) {
            x = kGap;
            y += rowHeight + kLabel + kGap;
            rowHeight = 0;
        }
        placed.push_back({&p, x, y});
        x += cell + kGap;
        rowHeight = std::max(rowHeight, p.Height());
    }
    const int height = y + rowHeight + kLabel + kGap;
    Picture sheet("CONTACT_SHEET", kWidth, height);
    sheet.Fill(Box(0, 0, 1, 1), Hex(0xFFFFFF));
    for (const Placed& item : placed) {
        Picture tile("", item.picture->Width(), item.picture->Height());
        tile.Fill([](double, double) { return true; }, Hex(0xE8E8E8));
        tile.Fill(
            [&](double u, double v) {
                return (static_cast<int>(u * item.picture->Width() / 4) +
                        static_cast<int>(v * item.picture->Height() / 4)) %
                           2 ==
                       0;
            },
            Hex(0xC8C8C8));
        tile.Blit(*item.picture, 0, 0);
        sheet.Blit(tile, item.x, item.y);
        Picture text("", static_cast<int>(item.picture->Name().size()) * 4, 5);
        text.Text(item.picture->Name(), 0, 0, 1, Hex(0x000000));
        sheet.Blit(text, item.x, item.y + item.picture->Height() + 3);
    }
    return sheet;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: draw_artwork <output folder> <generated source>\n");
        return 2;
    }
    const std::string folder = argv[1];
    const std::vector<Picture> pictures = AllPictures();
    std::string source =
        "// Generated by tools/artwork/DrawArtwork.cpp: the program's pictures as PNG files.\n"
        "#include \"imaging/uProgramArtwork.h\"\n\n#include \"platform/ui/Resources.h\"\n\n"
        "namespace imaging {\n\nnamespace {\n\n";
    std::string table;
    for (const Picture& p : pictures) {
        const std::string path = folder + "/" + p.Name() + (p.IsCursor() ? ".cur" : ".png");
        const std::string bytes = p.ResourceBytes();
        if (!WriteFile(path, bytes)) {
            std::fprintf(stderr, "draw_artwork: cannot write %s\n", path.c_str());
            return 1;
        }
        source += "const unsigned char k" + p.Name() + "[] = {";
        for (size_t i = 0; i < bytes.size(); ++i)
            source +=
                (i % 24 == 0 ? "\n    " : "") + std::to_string(static_cast<unsigned char>(bytes[i])) + ",";
        source += "\n};\n";
        table += "        {\"" + p.Name() + "\", \"" + ResourceType(p) + "\", k" + p.Name() + ", sizeof k" +
                 p.Name() + "},\n";
    }
    source += "\n} // namespace\n\nstd::span<const TArtwork> ProgramArtwork() {\n"
              "    static const TArtwork artwork[] = {\n" +
              table +
              "    };\n"
              "    static const bool registered = [] {\n"
              "        for (const TArtwork& a : artwork)\n"
              "            ui::TResourceRegistration{{a.type, a.name, {reinterpret_cast<const "
              "char*>(a.data), a.size}}};\n"
              "        return true;\n"
              "    }();\n"
              "    (void)registered;\n"
              "    return artwork;\n}\n\n} // namespace imaging\n";
    if (!WriteFile(folder + "/contact-sheet.png", ContactSheet(pictures).Png()) ||
        !WriteFile(argv[2], source)) {
        std::fprintf(stderr, "draw_artwork: cannot write the contact sheet or the source\n");
        return 1;
    }
    return 0;
}
