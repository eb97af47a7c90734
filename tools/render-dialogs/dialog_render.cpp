// Drawing of a host dialog with Cairo, in the classic grey Windows look.
#include "tools/render-dialogs/dialog_render.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>

#include "platform/host/dialog_host.h"

namespace korvex::tools {
namespace {

using plat::host::ControlKind;
using plat::host::HostControl;
using plat::host::HostDialog;

constexpr double kFontPixels = 12.0;  // 9 points at 96 dots per inch
constexpr int kScreenDpi = 96;
// Liberation Sans is metric-compatible with Arial, the templates' font.
constexpr const char* kFontFace = "Liberation Sans";
constexpr int kCaptionHeight = 22;
constexpr int kFrame = 3;
constexpr uint32_t kDefPushButton = 0x1;
constexpr uint32_t kWsBorder = 0x00800000;
constexpr uint32_t kWsSysMenu = 0x00080000;
constexpr uint32_t kWsVScroll = 0x00200000;

struct Colour {
    double r, g, b;
};
constexpr Colour kFace = {0.831, 0.816, 0.784};
constexpr Colour kShadow = {0.502, 0.502, 0.502};
constexpr Colour kDarkShadow = {0.251, 0.251, 0.251};
constexpr Colour kHighlight = {1.0, 1.0, 1.0};
constexpr Colour kWindow = {1.0, 1.0, 1.0};
constexpr Colour kText = {0.0, 0.0, 0.0};
constexpr Colour kGreyText = {0.502, 0.502, 0.502};
constexpr Colour kCaption = {0.039, 0.141, 0.416};
constexpr Colour kSelection = {0.039, 0.141, 0.416};

struct Box {
    double x, y, w, h;
};

void SetColour(cairo_t* cr, Colour c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

void Fill(cairo_t* cr, Box b, Colour c) {
    SetColour(cr, c);
    cairo_rectangle(cr, b.x, b.y, b.w, b.h);
    cairo_fill(cr);
}

void Line(cairo_t* cr, double x0, double y0, double x1, double y1, Colour c) {
    SetColour(cr, c);
    cairo_set_line_width(cr, 1.0);
    cairo_move_to(cr, x0 + 0.5, y0 + 0.5);
    cairo_line_to(cr, x1 + 0.5, y1 + 0.5);
    cairo_stroke(cr);
}

// A raised (button) or sunken (field) edge of two pixels.
void Edge(cairo_t* cr, Box b, bool raised) {
    const double r = b.x + b.w - 1, bottom = b.y + b.h - 1;
    const Colour outerLight = raised ? kHighlight : kShadow;
    const Colour outerDark = raised ? kDarkShadow : kHighlight;
    const Colour innerLight = raised ? kFace : kDarkShadow;
    const Colour innerDark = raised ? kShadow : kFace;
    Line(cr, b.x, b.y, r, b.y, outerLight);
    Line(cr, b.x, b.y, b.x, bottom, outerLight);
    Line(cr, b.x, bottom, r, bottom, outerDark);
    Line(cr, r, b.y, r, bottom, outerDark);
    Line(cr, b.x + 1, b.y + 1, r - 1, b.y + 1, innerLight);
    Line(cr, b.x + 1, b.y + 1, b.x + 1, bottom - 1, innerLight);
    Line(cr, b.x + 1, bottom - 1, r - 1, bottom - 1, innerDark);
    Line(cr, r - 1, b.y + 1, r - 1, bottom - 1, innerDark);
}

enum class Align { Left, Centre, Right };

// Text clipped to the box, vertically centred when `middle`, else from the top.
void Text(cairo_t* cr, const std::string& text, Box b, Align align, bool enabled, bool middle = true,
          bool bold = false, Colour colour = kText, double size = kFontPixels) {
    if (text.empty()) return;
    cairo_save(cr);
    cairo_rectangle(cr, b.x, b.y, b.w, b.h);
    cairo_clip(cr);
    cairo_select_font_face(cr, kFontFace, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    std::string shown = text;
    std::replace(shown.begin(), shown.end(), '\n', ' ');
    cairo_text_extents_t extents;
    cairo_text_extents(cr, shown.c_str(), &extents);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    double x = b.x;
    if (align == Align::Centre) x = b.x + (b.w - extents.x_advance) / 2;
    if (align == Align::Right) x = b.x + b.w - extents.x_advance;
    const double y = middle ? b.y + (b.h + font.ascent - font.descent) / 2 : b.y + font.ascent;
    if (!enabled) {
        SetColour(cr, kHighlight);
        cairo_move_to(cr, x + 1, y + 1);
        cairo_show_text(cr, shown.c_str());
    }
    SetColour(cr, enabled ? colour : kGreyText);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, shown.c_str());
    cairo_restore(cr);
}

void FocusMark(cairo_t* cr, Box b) {
    cairo_save(cr);
    const double dash[] = {1.0, 1.0};
    cairo_set_dash(cr, dash, 2, 0);
    SetColour(cr, kText);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, b.x + 3.5, b.y + 3.5, b.w - 7, b.h - 7);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void Arrow(cairo_t* cr, Box b, bool left, bool down, bool enabled) {
    SetColour(cr, enabled ? kText : kGreyText);
    const double cx = b.x + b.w / 2, cy = b.y + b.h / 2;
    if (down) {
        cairo_move_to(cr, cx - 3.5, cy - 1.5);
        cairo_line_to(cr, cx + 3.5, cy - 1.5);
        cairo_line_to(cr, cx, cy + 2);
    } else if (left) {
        cairo_move_to(cr, cx + 1.5, cy - 3.5);
        cairo_line_to(cr, cx + 1.5, cy + 3.5);
        cairo_line_to(cr, cx - 2, cy);
    } else {
        cairo_move_to(cr, cx - 1.5, cy - 3.5);
        cairo_line_to(cr, cx - 1.5, cy + 3.5);
        cairo_line_to(cr, cx + 2, cy);
    }
    cairo_close_path(cr);
    cairo_fill(cr);
}

void DrawButton(cairo_t* cr, const HostControl& c, Box b, bool focused) {
    Fill(cr, b, kFace);
    const bool isDefault = (c.style & 0xF) == kDefPushButton;
    if (isDefault) {
        SetColour(cr, kText);
        cairo_set_line_width(cr, 1.0);
        cairo_rectangle(cr, b.x + 0.5, b.y + 0.5, b.w - 1, b.h - 1);
        cairo_stroke(cr);
        Edge(cr, {b.x + 1, b.y + 1, b.w - 2, b.h - 2}, true);
    } else {
        Edge(cr, b, true);
    }
    Text(cr, c.text, b, Align::Centre, c.enabled);
    if (focused) FocusMark(cr, b);
}

void DrawMarkAndLabel(cairo_t* cr, const HostControl& c, Box b, bool focused) {
    const double size = 13;
    const Box mark = {b.x, b.y + (b.h - size) / 2, size, size};
    if (c.kind == ControlKind::CheckBox) {
        Fill(cr, mark, c.enabled ? kWindow : kFace);
        Edge(cr, mark, false);
        if (c.check == plat::BST_CHECKED) {
            SetColour(cr, c.enabled ? kText : kGreyText);
            cairo_set_line_width(cr, 2.0);
            cairo_move_to(cr, mark.x + 3, mark.y + 6.5);
            cairo_line_to(cr, mark.x + 5.5, mark.y + 9);
            cairo_line_to(cr, mark.x + 10, mark.y + 3.5);
            cairo_stroke(cr);
        }
    } else {
        const double cx = mark.x + size / 2, cy = mark.y + size / 2;
        cairo_new_path(cr);
        cairo_arc(cr, cx, cy, size / 2 - 0.5, 0, 6.2832);
        SetColour(cr, c.enabled ? kWindow : kFace);
        cairo_fill_preserve(cr);
        SetColour(cr, kShadow);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
        if (c.check == plat::BST_CHECKED) {
            cairo_new_path(cr);
            cairo_arc(cr, cx, cy, 2.5, 0, 6.2832);
            SetColour(cr, c.enabled ? kText : kGreyText);
            cairo_fill(cr);
        }
    }
    const Box label = {b.x + size + 4, b.y, b.w - size - 4, b.h};
    Text(cr, c.text, label, Align::Left, c.enabled);
    if (focused) FocusMark(cr, {label.x - 4, b.y - 2, std::min(label.w + 6, b.w), b.h + 4});
}

void DrawGroupBox(cairo_t* cr, const HostControl& c, Box b) {
    const double top = b.y + kFontPixels / 2;
    SetColour(cr, kShadow);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, b.x + 0.5, top + 0.5, b.w - 2, b.h - (top - b.y) - 2);
    cairo_stroke(cr);
    SetColour(cr, kHighlight);
    cairo_rectangle(cr, b.x + 1.5, top + 1.5, b.w - 2, b.h - (top - b.y) - 2);
    cairo_stroke(cr);
    if (c.text.empty()) return;
    cairo_select_font_face(cr, kFontFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, kFontPixels);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, c.text.c_str(), &extents);
    const Box label = {b.x + 7, b.y, std::min(extents.x_advance + 4, b.w - 10), kFontPixels + 2};
    Fill(cr, label, kFace);
    Text(cr, c.text, {label.x + 2, label.y, label.w - 2, label.h}, Align::Left, c.enabled, false);
}

void DrawStatic(cairo_t* cr, const HostControl& c, Box b) {
    if ((c.style & kWsBorder) != 0) {
        Edge(cr, b, false);
        const Box inside = {b.x + 2, b.y + 2, b.w - 4, b.h - 4};
        for (const plat::host::FilledRect& r : c.fills) {
            const Colour colour = {(r.colour & 0xFF) / 255.0, ((r.colour >> 8) & 0xFF) / 255.0,
                                   ((r.colour >> 16) & 0xFF) / 255.0};
            const double left = std::clamp<double>(r.left, 0, inside.w), right = std::clamp<double>(r.right, 0, inside.w);
            const double top = std::clamp<double>(r.top, 0, inside.h), bottom = std::clamp<double>(r.bottom, 0, inside.h);
            if (right > left && bottom > top) Fill(cr, {inside.x + left, inside.y + top, right - left, bottom - top}, colour);
        }
    }
    const uint32_t type = c.style & 0x1F;
    const Align align = type == 1 ? Align::Centre : type == 2 ? Align::Right : Align::Left;
    Text(cr, c.text, b, align, c.enabled, false);
}

void DrawIcon(cairo_t* cr, const HostControl& c, Box b) {
    const Box icon = {b.x, b.y, 32, 32};
    Fill(cr, icon, {0.925, 0.925, 0.925});
    Edge(cr, icon, false);
    Text(cr, c.text, {icon.x + 1, icon.y, icon.w - 2, icon.h}, Align::Centre, true, true, false, kText, 5.5);
}

void DrawEdit(cairo_t* cr, const HostControl& c, Box b, bool focused) {
    Fill(cr, b, c.enabled ? kWindow : kFace);
    Edge(cr, b, false);
    Text(cr, c.text, {b.x + 4, b.y + 2, b.w - 6, b.h - 4}, Align::Left, c.enabled);
    if (focused) {
        SetColour(cr, kText);
        Line(cr, b.x + b.w - 4, b.y + 4, b.x + b.w - 4, b.y + b.h - 5, kText);
    }
}

void DrawCombo(cairo_t* cr, const HostControl& c, Box b, bool focused, int closedHeight) {
    const Box closed = {b.x, b.y, b.w, std::min(b.h, double(closedHeight))};
    Fill(cr, closed, c.enabled ? kWindow : kFace);
    Edge(cr, closed, false);
    const Box button = {closed.x + closed.w - 2 - 16, closed.y + 2, 16, closed.h - 4};
    Fill(cr, button, kFace);
    Edge(cr, button, true);
    Arrow(cr, button, false, true, c.enabled);
    const Box text = {closed.x + 3, closed.y + 3, button.x - closed.x - 5, closed.h - 6};
    const std::string shown = c.selection >= 0 && c.selection < static_cast<int>(c.items.size())
                                  ? c.items[static_cast<size_t>(c.selection)]
                                  : std::string();
    if (focused && c.enabled && !shown.empty()) {
        Fill(cr, text, kSelection);
        Text(cr, shown, {text.x + 1, text.y, text.w - 1, text.h}, Align::Left, true, true, false, kHighlight);
    } else {
        Text(cr, shown, {text.x + 1, text.y, text.w - 1, text.h}, Align::Left, c.enabled);
    }
}

void DrawScrollBar(cairo_t* cr, const HostControl& c, Box b) {
    Fill(cr, b, {0.925, 0.918, 0.902});
    const double button = std::min(b.h, b.w / 3);
    const Box left = {b.x, b.y, button, b.h};
    const Box right = {b.x + b.w - button, b.y, button, b.h};
    for (const Box& arrow : {left, right}) {
        Fill(cr, arrow, kFace);
        Edge(cr, arrow, true);
    }
    Arrow(cr, left, true, false, c.enabled);
    Arrow(cr, right, false, false, c.enabled);
    const int range = c.scrollMax - c.scrollMin;
    if (!c.enabled || range <= 0) return;
    const double track = b.w - 2 * button - button;
    const double x = b.x + button + track * (c.scrollPos - c.scrollMin) / range;
    const Box thumb = {x, b.y, button, b.h};
    Fill(cr, thumb, kFace);
    Edge(cr, thumb, true);
}

void DrawListBox(cairo_t* cr, const HostControl& c, Box b, bool focused) {
    Fill(cr, b, c.enabled ? kWindow : kFace);
    Edge(cr, b, false);
    const bool scroll = (c.style & kWsVScroll) != 0;
    const double inner = b.w - 4 - (scroll ? 16 : 0);
    const double lineHeight = kFontPixels + 3;
    for (size_t i = 0; i < c.items.size(); ++i) {
        const Box line = {b.x + 2, b.y + 2 + lineHeight * static_cast<double>(i), inner, lineHeight};
        if (line.y + line.h > b.y + b.h - 2) break;
        const bool selected = static_cast<int>(i) == c.selection;
        if (selected) Fill(cr, line, kSelection);
        Text(cr, c.items[i], {line.x + 2, line.y, line.w - 2, line.h}, Align::Left, c.enabled, true, false,
             selected ? kHighlight : kText);
        if (selected && focused) FocusMark(cr, {line.x - 3, line.y - 3, line.w + 6, line.h + 6});
    }
    if (scroll) {
        const Box bar = {b.x + b.w - 2 - 16, b.y + 2, 16, b.h - 4};
        Fill(cr, bar, {0.925, 0.918, 0.902});
        const Box up = {bar.x, bar.y, 16, 16}, down = {bar.x, bar.y + bar.h - 16, 16, 16};
        for (const Box& arrow : {up, down}) {
            Fill(cr, arrow, kFace);
            Edge(cr, arrow, true);
        }
    }
}

// Dialog base units as Windows computes them for a dialog's font: the average
// width of the 52 Latin letters, (width / 26 + 1) / 2, and the height of a
// line of the font, both in whole pixels of the font as drawn.
DialogBaseUnits MeasureBaseUnits(int pointSize) {
    const double pixels = pointSize > 0 ? double(pointSize * kScreenDpi) / 72.0 : kFontPixels;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    cairo_t* cr = cairo_create(surface);
    cairo_select_font_face(cr, kFontFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, pixels);
    cairo_text_extents_t letters;
    cairo_text_extents(cr, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", &letters);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    const auto width = static_cast<int>(letters.x_advance + 0.5);
    return {(width / 26 + 1) / 2, static_cast<int>(font.ascent + font.descent + 0.5)};
}

// MapDialogRect: dialog units to pixels, rounded as MulDiv rounds.
int ToPixels(int units, int baseUnit, int divisor) {
    const int64_t product = int64_t{units} * baseUnit;
    return static_cast<int>((product >= 0 ? product + divisor / 2 : product - divisor / 2) / divisor);
}

}  // namespace

DialogBaseUnits BaseUnitsOf(plat::WindowHandle handle) {
    HostDialog* dialog = plat::host::AsDialog(handle);
    if (dialog == nullptr) return {0, 0};
    return MeasureBaseUnits(dialog->source->fontSize);
}

bool ClientSizeOf(plat::WindowHandle handle, int& width, int& height) {
    HostDialog* dialog = plat::host::AsDialog(handle);
    if (dialog == nullptr) return false;
    const DialogBaseUnits units = MeasureBaseUnits(dialog->source->fontSize);
    width = ToPixels(dialog->source->cx, units.x, 4);
    height = ToPixels(dialog->source->cy, units.y, 8);
    return true;
}

bool RenderDialogPng(plat::WindowHandle handle, const std::string& path, std::string& error) {
    HostDialog* dialog = plat::host::AsDialog(handle);
    if (dialog == nullptr) {
        error = "not an open dialog";
        return false;
    }
    const plat::host::DialogTemplate& source = *dialog->source;
    const DialogBaseUnits units = MeasureBaseUnits(source.fontSize);
    const auto x = [&units](int dlu) { return ToPixels(dlu, units.x, 4); };
    const auto y = [&units](int dlu) { return ToPixels(dlu, units.y, 8); };
    const int clientW = x(source.cx);
    const int clientH = y(source.cy);
    const int width = clientW + 2 * kFrame;
    const int height = clientH + kCaptionHeight + 2 * kFrame;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);

    Fill(cr, {0, 0, double(width), double(height)}, kFace);
    Edge(cr, {0, 0, double(width), double(height)}, true);
    const Box caption = {double(kFrame), double(kFrame), double(clientW), double(kCaptionHeight - 2)};
    Fill(cr, caption, kCaption);
    Text(cr, dialog->caption, {caption.x + 6, caption.y, caption.w - 30, caption.h}, Align::Left, true, true, true,
         kHighlight);
    if ((source.style & kWsSysMenu) != 0) {
        const Box close = {caption.x + caption.w - 18, caption.y + 3, 16, caption.h - 6};
        Fill(cr, close, kFace);
        Edge(cr, close, true);
        Text(cr, "x", close, Align::Centre, true, true, true);
    }

    cairo_translate(cr, kFrame, kFrame + kCaptionHeight);
    // Group boxes first, so that the controls inside them are drawn over their frames.
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& owned : dialog->controls) {
            const HostControl& c = *owned;
            if (!c.visible || (c.kind == ControlKind::GroupBox) != (pass == 0)) continue;
            const Box b = {double(x(c.source->x)), double(y(c.source->y)), double(x(c.source->cx)),
                           double(y(c.source->cy))};
            const bool focused = dialog->focus == &c;
            switch (c.kind) {
                case ControlKind::PushButton: DrawButton(cr, c, b, focused); break;
                case ControlKind::CheckBox:
                case ControlKind::RadioButton: DrawMarkAndLabel(cr, c, b, focused); break;
                case ControlKind::GroupBox: DrawGroupBox(cr, c, b); break;
                case ControlKind::Static: DrawStatic(cr, c, b); break;
                case ControlKind::Icon: DrawIcon(cr, c, b); break;
                case ControlKind::Edit: DrawEdit(cr, c, b, focused); break;
                case ControlKind::ComboBox: DrawCombo(cr, c, b, focused, y(12)); break;
                case ControlKind::ListBox: DrawListBox(cr, c, b, focused); break;
                case ControlKind::ScrollBar: DrawScrollBar(cr, c, b); break;
                case ControlKind::Other: Edge(cr, b, false); break;
            }
        }
    }
    cairo_destroy(cr);
    const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = std::string("cannot write ") + path + ": " + cairo_status_to_string(status);
        return false;
    }
    return true;
}

// Only the one layout korvex-dialog-shots writes is read: the 54-byte header
// of an uncompressed 24-bit BMP with positive height, rows padded to 4 bytes.
bool ConvertBmpToPng(const std::string& bmpPath, const std::string& pngPath, std::string& error) {
    std::ifstream in(bmpPath, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto u32 = [&bytes](size_t at) {
        uint32_t value = 0;
        for (size_t i = 0; i < 4; ++i) value |= uint32_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
        return value;
    };
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M' || u32(10) != 54 ||
        (u32(28) & 0xFFFF) != 24 || u32(30) != 0) {
        error = bmpPath + ": not an uncompressed 24-bit BMP file";
        return false;
    }
    const uint32_t width = u32(18), height = u32(22);
    if (width == 0 || height == 0 || width > 8192 || height > 8192) {
        error = bmpPath + ": no image size a screen shows";
        return false;
    }
    const size_t stride = (size_t{width} * 3 + 3) & ~size_t{3};
    if (bytes.size() < 54 + stride * height) {
        error = bmpPath + ": shorter than its image";
        return false;
    }
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width), static_cast<int>(height));
    cairo_surface_flush(surface);
    unsigned char* pixels = cairo_image_surface_get_data(surface);
    const int pitch = cairo_image_surface_get_stride(surface);
    for (uint32_t row = 0; row < height; ++row) {
        const auto* from = reinterpret_cast<const unsigned char*>(bytes.data()) + 54 + stride * (height - 1 - row);
        auto* to = reinterpret_cast<uint32_t*>(pixels + static_cast<size_t>(pitch) * row);
        for (uint32_t x = 0; x < width; ++x) {
            to[x] = uint32_t{from[3 * x]} | uint32_t{from[3 * x + 1]} << 8 | uint32_t{from[3 * x + 2]} << 16;
        }
    }
    cairo_surface_mark_dirty(surface);
    const cairo_status_t status = cairo_surface_write_to_png(surface, pngPath.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = std::string("cannot write ") + pngPath + ": " + cairo_status_to_string(status);
        return false;
    }
    return true;
}

void ReleaseRendererCaches() {
    cairo_debug_reset_static_data();
    FcFini();
}

}  // namespace korvex::tools
