// Portable GIF decoder for the lock window's pictures: first frame only, every read checked.
#include "gif_image.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>
#include <utility>

namespace torvelt {

namespace {

constexpr int kMaxSide = 4096;
constexpr int kMaxCodes = 4096;
constexpr int kMaxCodeWidth = 12;
constexpr int kNoCode = -1;
constexpr int kNoTransparency = -1;
constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kImage = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::uint8_t kGraphicControl = 0xF9;
constexpr std::uint32_t kOpaque = 0xFF000000u;

// After the first overrun every read yields nothing and ok() stays false, so that a group of
// reads needs one check at its end rather than one per field.
class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    bool ok() const { return ok_; }

    std::span<const std::uint8_t> take(std::size_t count) {
        if (!ok_ || count > data_.size() - pos_) {
            ok_ = false;
            return {};
        }
        const auto part = data_.subspan(pos_, count);
        pos_ += count;
        return part;
    }

    std::uint8_t byte() {
        const auto part = take(1);
        return part.empty() ? 0 : part[0];
    }

    int word() {
        const auto part = take(2);
        return part.empty() ? 0 : part[0] | part[1] << 8;
    }

  private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

using Palette = std::vector<std::uint32_t>;

struct Screen {
    int width = 0;
    int height = 0;
    Palette colours;
};

struct Frame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    Palette colours;
};

// Present when the flags' top bit is set: 2^(n+1) RGB triples, n the flags' low bits.
Palette readColourTable(ByteReader& in, std::uint8_t flags) {
    if ((flags & 0x80) == 0) {
        return {};
    }
    const std::size_t count = std::size_t{2} << (flags & 0x07);
    const auto rgb = in.take(count * 3);
    Palette colours;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        colours.push_back(kOpaque | std::uint32_t{rgb[i]} << 16 | std::uint32_t{rgb[i + 1]} << 8 |
                          rgb[i + 2]);
    }
    return colours;
}

// Sub-blocks: a length byte and that many bytes, repeated until a zero length.
std::vector<std::uint8_t> readSubBlocks(ByteReader& in) {
    std::vector<std::uint8_t> joined;
    for (std::uint8_t size = in.byte(); size != 0 && in.ok(); size = in.byte()) {
        const auto block = in.take(size);
        joined.insert(joined.end(), block.begin(), block.end());
    }
    return joined;
}

bool isGifSignature(std::span<const std::uint8_t> signature) {
    using namespace std::string_view_literals;
    return std::ranges::equal(signature, "GIF87a"sv) || std::ranges::equal(signature, "GIF89a"sv);
}

std::optional<Screen> readScreen(ByteReader& in) {
    if (!isGifSignature(in.take(6))) {
        return std::nullopt;
    }
    Screen screen;
    screen.width = in.word();
    screen.height = in.word();
    const std::uint8_t flags = in.byte();
    in.take(2);  // background colour and aspect ratio: uncovered pixels stay transparent
    screen.colours = readColourTable(in, flags);
    const bool sane = screen.width >= 1 && screen.height >= 1 && screen.width <= kMaxSide &&
                      screen.height <= kMaxSide;
    if (!in.ok() || !sane) {
        return std::nullopt;
    }
    return screen;
}

// A graphic control extension sets the transparent colour of the frame after it; other
// extensions carry nothing a still picture needs.
bool readExtension(ByteReader& in, int& transparent) {
    const std::uint8_t label = in.byte();
    const auto body = readSubBlocks(in);
    if (!in.ok()) {
        return false;
    }
    if (label == kGraphicControl) {
        if (body.size() != 4) {
            return false;
        }
        transparent = (body[0] & 0x01) != 0 ? body[3] : kNoTransparency;
    }
    return true;
}

std::optional<Frame> readFrameHeader(ByteReader& in, const Screen& screen) {
    Frame frame;
    frame.left = in.word();
    frame.top = in.word();
    frame.width = in.word();
    frame.height = in.word();
    const std::uint8_t flags = in.byte();
    frame.interlaced = (flags & 0x40) != 0;
    frame.colours = readColourTable(in, flags);
    if (!in.ok()) {
        return std::nullopt;
    }
    if (frame.colours.empty()) {
        frame.colours = screen.colours;
    }
    return frame;
}

bool fitsOn(const Frame& frame, const Screen& screen) {
    return frame.left + frame.width <= screen.width && frame.top + frame.height <= screen.height;
}

// Interlaced frames store every 8th row from 0, every 8th from 4, every 4th from 2, then every
// 2nd from 1; maps the n-th stored row to its place.
int interlacedRow(int n, int height) {
    constexpr std::array<std::pair<int, int>, 4> kPasses{{{0, 8}, {4, 8}, {2, 4}, {1, 2}}};
    for (const auto& [start, step] : kPasses) {
        const int rows = (height - start + step - 1) / step;
        if (n < rows) {
            return start + n * step;
        }
        n -= rows;
    }
    return 0;  // unreachable for n below height
}

// Puts colour indices at their places on the screen in the frame's row order; pixels beyond
// the frame's last one are dropped, as LZW can overshoot it.
class FramePainter {
  public:
    FramePainter(GifImage& image, const Frame& frame, int transparent)
        : image_(image),
          frame_(frame),
          transparent_(transparent),
          total_(static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height)) {}

    bool done() const { return painted_ == total_; }

    bool paint(std::uint8_t index) {
        if (done()) {
            return true;
        }
        if (index >= frame_.colours.size()) {
            return false;
        }
        const auto width = static_cast<std::size_t>(frame_.width);
        const int row = static_cast<int>(painted_ / width);
        const int y = frame_.top + (frame_.interlaced ? interlacedRow(row, frame_.height) : row);
        const std::size_t x = static_cast<std::size_t>(frame_.left) + painted_ % width;
        const std::size_t at = static_cast<std::size_t>(y * image_.width) + x;
        if (index != transparent_) {
            image_.pixels[at] = frame_.colours[index];
        }
        ++painted_;
        return true;
    }

  private:
    GifImage& image_;
    const Frame& frame_;
    int transparent_;
    std::size_t total_;
    std::size_t painted_ = 0;
};

// Codes of any width up to 12 bits, packed least significant bit first.
class CodeReader {
  public:
    explicit CodeReader(std::span<const std::uint8_t> data) : data_(data) {}

    // kNoCode once the data runs out.
    int read(int width) {
        while (count_ < width) {
            if (pos_ == data_.size()) {
                return kNoCode;
            }
            bits_ |= std::uint32_t{data_[pos_++]} << count_;
            count_ += 8;
        }
        const auto code = static_cast<int>(bits_ & ((1u << width) - 1));
        bits_ >>= width;
        count_ -= width;
        return code;
    }

  private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    std::uint32_t bits_ = 0;
    int count_ = 0;
};

// GIF's variable-width LZW. Each entry's prefix is an older code, so following prefixes always
// ends at a root within kMaxCodes steps.
class LzwDecoder {
  public:
    explicit LzwDecoder(int minCodeWidth)
        : clear_(1 << minCodeWidth), end_(clear_ + 1), firstWidth_(minCodeWidth + 1) {
        for (int code = 0; code < clear_; ++code) {
            prefix_[code] = kNoCode;
            suffix_[code] = static_cast<std::uint8_t>(code);
            first_[code] = static_cast<std::uint8_t>(code);
        }
        reset();
    }

    // Fails when the data ends, or the end code comes, before every pixel is painted.
    bool decode(CodeReader& codes, FramePainter& painter) {
        while (!painter.done()) {
            const int code = codes.read(width_);
            if (code == kNoCode || code == end_) {
                return false;
            }
            if (code == clear_) {
                reset();
            } else if (!accept(code, painter)) {
                return false;
            }
        }
        return true;
    }

  private:
    void reset() {
        width_ = firstWidth_;
        next_ = end_ + 1;
        previous_ = kNoCode;
    }

    bool accept(int code, FramePainter& painter) {
        if (previous_ == kNoCode) {
            if (code >= clear_) {
                return false;
            }
        } else {
            if (code > next_) {
                return false;
            }
            // A full table stays as it is until the encoder clears it.
            if (next_ < kMaxCodes) {
                // code == next_ names the entry being made: the previous string plus its own start.
                addEntry(previous_, first_[code == next_ ? previous_ : code]);
            }
        }
        previous_ = code;
        return paintString(code, painter);
    }

    void addEntry(int prefix, std::uint8_t suffix) {
        prefix_[next_] = prefix;
        suffix_[next_] = suffix;
        first_[next_] = first_[prefix];
        ++next_;
        if (next_ == 1 << width_ && width_ < kMaxCodeWidth) {
            ++width_;
        }
    }

    bool paintString(int code, FramePainter& painter) {
        std::size_t length = 0;
        for (int c = code; c != kNoCode; c = prefix_[c]) {
            reversed_[length++] = suffix_[c];
        }
        while (length > 0) {
            if (!painter.paint(reversed_[--length])) {
                return false;
            }
        }
        return true;
    }

    const int clear_;
    const int end_;
    const int firstWidth_;
    int width_ = 0;
    int next_ = 0;
    int previous_ = kNoCode;
    std::array<int, kMaxCodes> prefix_{};
    std::array<std::uint8_t, kMaxCodes> suffix_{};
    std::array<std::uint8_t, kMaxCodes> first_{};
    std::array<std::uint8_t, kMaxCodes> reversed_{};
};

// The image data: the LZW minimum code width, then the codes in sub-blocks.
bool paintFrame(ByteReader& in, const Frame& frame, int transparent, GifImage& image) {
    const int minCodeWidth = in.byte();
    const auto data = readSubBlocks(in);
    if (!in.ok() || minCodeWidth < 2 || minCodeWidth > 8) {
        return false;
    }
    CodeReader codes(data);
    FramePainter painter(image, frame, transparent);
    LzwDecoder lzw(minCodeWidth);
    return lzw.decode(codes, painter);
}

// Only the first frame is drawn; later ones are walked over so that the file's structure is
// still checked up to its trailer.
bool readImage(ByteReader& in, const Screen& screen, int transparent,
               std::optional<GifImage>& image) {
    const auto frame = readFrameHeader(in, screen);
    if (!frame) {
        return false;
    }
    if (image) {
        in.byte();
        readSubBlocks(in);
        return in.ok();
    }
    if (!fitsOn(*frame, screen)) {
        return false;
    }
    const auto area =
        static_cast<std::size_t>(screen.width) * static_cast<std::size_t>(screen.height);
    GifImage canvas{screen.width, screen.height, std::vector<std::uint32_t>(area, 0)};
    if (!paintFrame(in, *frame, transparent, canvas)) {
        return false;
    }
    image = std::move(canvas);
    return true;
}

}  // namespace

std::optional<GifImage> decodeGif(std::span<const std::uint8_t> data) {
    ByteReader in(data);
    const auto screen = readScreen(in);
    if (!screen) {
        return std::nullopt;
    }
    std::optional<GifImage> image;
    int transparent = kNoTransparency;
    for (;;) {
        bool ok = false;
        switch (in.byte()) {  // zero once the data has run out
            case kTrailer:
                return image;
            case kExtension:
                ok = readExtension(in, transparent);
                break;
            case kImage:
                ok = readImage(in, *screen, transparent, image);
                break;
            default:
                break;
        }
        if (!ok) {
            return std::nullopt;
        }
    }
}

}  // namespace torvelt
