#include "tests/win32/probe/IconMatch.h"

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

namespace wintest {
namespace {

struct StandardIcon {
    IconKind kind;
    LPCWSTR id;
};
const StandardIcon kStandardIcons[] = {
    {IconKind::Stop, IDI_HAND},
    {IconKind::Information, IDI_ASTERISK},
    {IconKind::Warning, IDI_EXCLAMATION},
    {IconKind::Question, IDI_QUESTION},
};

// Per colour channel, on average: anti-aliasing and scaling differ slightly between drawings.
constexpr std::uint64_t kMaxMeanDifference = 24;

class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_) ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// A 32-bit top-down bitmap selected into its own memory DC.
class Canvas {
public:
    Canvas(HDC reference, int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(reference);
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (dc_ && bitmap_) {
            previous_ = SelectObject(dc_, bitmap_);
            pixels_ = static_cast<const std::uint32_t*>(bits);
        }
    }
    ~Canvas() {
        if (previous_) SelectObject(dc_, previous_);
        if (bitmap_) DeleteObject(bitmap_);
        if (dc_) DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool valid() const { return pixels_ != nullptr; }
    HDC dc() const { return dc_; }
    std::uint32_t Pixel(int x, int y) const {
        GdiFlush();
        return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
    }
    int width() const { return width_; }
    int height() const { return height_; }

    void Fill(std::uint32_t bgrx) {
        HBRUSH brush = CreateSolidBrush(RGB((bgrx >> 16) & 0xFF, (bgrx >> 8) & 0xFF, bgrx & 0xFF));
        RECT all{0, 0, width_, height_};
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    const std::uint32_t* pixels_ = nullptr;
};

std::uint64_t Difference(const Canvas& a, const Canvas& b) {
    std::uint64_t sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const std::uint32_t p = a.Pixel(x, y), q = b.Pixel(x, y);
            for (int shift = 0; shift < 24; shift += 8)
                sum += static_cast<std::uint64_t>(std::abs(static_cast<int>((p >> shift) & 0xFF) -
                                                           static_cast<int>((q >> shift) & 0xFF)));
        }
    }
    return sum;
}

IconKind ByHandle(HICON shown) {
    for (const StandardIcon& icon : kStandardIcons)
        if (LoadIconW(nullptr, icon.id) == shown) return icon.kind;
    return IconKind::Unknown;
}

IconKind ByPixels(HWND control) {
    RECT rect{};
    if (!GetWindowRect(control, &rect)) return IconKind::Unknown;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return IconKind::Unknown;

    ScreenDc screen;
    Canvas shown(screen.get(), width, height);
    if (!screen.get() || !shown.valid() ||
        !BitBlt(shown.dc(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY))
        return IconKind::Unknown;
    // The icons' corners are transparent, so the corner pixel is the control's background.
    const std::uint32_t background = shown.Pixel(0, 0);

    IconKind best = IconKind::Unknown;
    std::uint64_t bestDifference = std::numeric_limits<std::uint64_t>::max();
    for (const StandardIcon& icon : kStandardIcons) {
        Canvas drawn(screen.get(), width, height);
        if (!drawn.valid()) continue;
        drawn.Fill(background);
        DrawIconEx(drawn.dc(), 0, 0, LoadIconW(nullptr, icon.id), width, height, 0, nullptr, DI_NORMAL);
        const std::uint64_t difference = Difference(shown, drawn);
        if (difference < bestDifference) bestDifference = difference, best = icon.kind;
    }
    const auto channels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 3;
    return bestDifference <= kMaxMeanDifference * channels ? best : IconKind::Unknown;
}

}  // namespace

IconKind ClassifyIcon(HWND iconControl) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(iconControl, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &result))
        return IconKind::Unknown;
    const auto shown = reinterpret_cast<HICON>(result);
    if (!shown) return IconKind::None;
    const IconKind kind = ByHandle(shown);
    return kind != IconKind::Unknown ? kind : ByPixels(iconControl);
}

}  // namespace wintest
