// Fonts and text: LOGFONT to QFont, 8-bit text decoding, DrawText's line breaking.
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QStringDecoder>
#include <cstring>

#include "platform/gdi.h"
#include "platform/qt/gdi_internal.h"
#include "platform/qt/text_codec.h"
#include "platform/qt/window_internal.h"

namespace {
void installSubstitutions() {
  static bool done = false;
  if (done) return;
  done = true;
  const QStringList sans{QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                         QStringLiteral("DejaVu Sans")};
  for (const char* face : {"Arial", "Helv", "Helvetica", "MS Sans Serif", "MS Shell Dlg",
                           "MS Shell Dlg 2", "Microsoft Sans Serif", "System"})
    QFont::insertSubstitutions(QString::fromLatin1(face), sans);
}
}  // namespace

QFont FontFromLogFont(const LOGFONT& lf) {
  installSubstitutions();
  QFont font;
  char face[LF_FACESIZE + 1] = {};
  std::memcpy(face, lf.lfFaceName, LF_FACESIZE);
  QString family = QString::fromLatin1(face);
  if (family.isEmpty()) {
    bool fixed = (lf.lfPitchAndFamily & 0x3) == FIXED_PITCH || (lf.lfPitchAndFamily & 0xF0) == FF_MODERN;
    family = fixed ? QStringLiteral("Liberation Mono") : QStringLiteral("Liberation Sans");
  }
  font.setFamilies({family});
  switch (lf.lfPitchAndFamily & 0xF0) {
    case FF_ROMAN: font.setStyleHint(QFont::Serif); break;
    case FF_MODERN: font.setStyleHint(QFont::Monospace); break;
    case FF_SCRIPT: font.setStyleHint(QFont::Cursive); break;
    case FF_DECORATIVE: font.setStyleHint(QFont::Decorative); break;
    default: font.setStyleHint(QFont::SansSerif); break;
  }
  int weight = lf.lfWeight <= 0 ? FW_NORMAL : std::min<int>(lf.lfWeight, 1000);
  font.setWeight(static_cast<QFont::Weight>(weight));
  font.setItalic(lf.lfItalic != 0);
  font.setUnderline(lf.lfUnderline != 0);
  font.setStrikeOut(lf.lfStrikeOut != 0);
  if (lf.lfQuality == NONANTIALIASED_QUALITY) font.setStyleStrategy(QFont::NoAntialias);
  // Negative: the character height (em) in pixels; positive: the cell height, so the
  // pixel size is scaled down by the face's ascent + descent.
  int height = lf.lfHeight;
  if (height == 0) height = -12;
  if (height == INT32_MIN) height = -12;
  if (height < 0) {
    font.setPixelSize(std::min(-height, 2000));
  } else {
    int h = std::min(height, 2000);
    font.setPixelSize(h);
    int cell = QFontMetrics(font).height();
    if (cell > 0 && cell != h) font.setPixelSize(std::max(1, h * h / cell));
  }
  return font;
}

QString DecodeText(const char* text, int count, BYTE charset) {
  if (!text) return {};
  std::string bytes = count < 0 ? std::string(text) : std::string(text, static_cast<size_t>(count));
  if (charset == SHIFTJIS_CHARSET) {
    QStringDecoder sjis("Shift_JIS");
    if (sjis.isValid()) {
      QString s = sjis.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
      if (!sjis.hasError()) return s;
    }
  }
  return DisplayText(bytes);
}

HFONT CreateFontIndirect(const LOGFONT* lf) {
  if (!lf) return nullptr;
  auto* f = new FontImpl;
  f->lf = *lf;
  f->lf.lfFaceName[LF_FACESIZE - 1] = '\0';
  f->systemFont = lf->lfHeight == 0 && lf->lfFaceName[0] == '\0';
  return Track(f);
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic != 0);
  lf.lfUnderline = static_cast<BYTE>(underline != 0);
  lf.lfStrikeOut = static_cast<BYTE>(strikeOut != 0);
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (faceName) std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
  return CreateFontIndirect(&lf);
}

namespace {
// The device context's own font: a bold sans-serif of the old system font's size.
QFont fontOf(HDC dc) {
  FontImpl* f = IsLiveDC(dc) ? dc->font : nullptr;
  if (!f) return FontFromLogFont(LOGFONT{});
  if (f->systemFont) {
    LOGFONT lf;
    lf.lfHeight = 16;
    lf.lfWeight = FW_BOLD;
    std::strcpy(lf.lfFaceName, "Liberation Sans");
    return FontFromLogFont(lf);
  }
  return FontFromLogFont(f->lf);
}
BYTE charsetOf(HDC dc) { return IsLiveDC(dc) && dc->font ? dc->font->lf.lfCharSet : ANSI_CHARSET; }

struct Line {
  QString text;
  int mnemonic = -1;  // index of the underlined character
};

// Removes "&" markers: "&&" is "&", "&x" underlines x.
Line stripPrefix(const QString& s) {
  Line out;
  for (int i = 0; i < s.size(); ++i) {
    if (s[i] == QLatin1Char('&')) {
      if (i + 1 < s.size() && s[i + 1] == QLatin1Char('&')) {
        out.text += QLatin1Char('&');
        ++i;
      } else if (i + 1 < s.size()) {
        out.mnemonic = static_cast<int>(out.text.size());
      }
      continue;
    }
    out.text += s[i];
  }
  return out;
}

QString expandTabs(const QString& s) {
  QString out;
  for (QChar c : s) {
    if (c == QLatin1Char('\t')) {
      do out += QLatin1Char(' ');
      while (out.size() % 8);
    } else {
      out += c;
    }
  }
  return out;
}

// Greedy word wrap: a line ends before the word that would pass the width; the blanks at
// a break are dropped; a word wider than the width gets a line of its own.
std::vector<QString> wrap(const QString& paragraph, const QFontMetrics& fm, int width) {
  std::vector<QString> lines;
  QString line;
  int i = 0;
  const int n = static_cast<int>(paragraph.size());
  while (i < n) {
    int start = i;
    while (i < n && paragraph[i] == QLatin1Char(' ')) ++i;
    while (i < n && paragraph[i] != QLatin1Char(' ')) ++i;
    QString piece = paragraph.mid(start, i - start);
    QString candidate = line + piece;
    if (!line.isEmpty() && fm.horizontalAdvance(candidate) > width) {
      lines.push_back(line);
      while (!piece.isEmpty() && piece[0] == QLatin1Char(' ')) piece.remove(0, 1);
      line = piece;
    } else {
      line = candidate;
    }
  }
  lines.push_back(line);
  for (auto& l : lines)
    while (!l.isEmpty() && l.back() == QLatin1Char(' ')) l.chop(1);
  return lines;
}
}  // namespace

BOOL GetTextMetrics(HDC dc, TEXTMETRIC* tm) {
  if (!IsLiveDC(dc) || !tm) return FALSE;
  QFont font = fontOf(dc);
  QFontMetrics fm(font);
  tm->tmAscent = fm.ascent();
  tm->tmDescent = fm.descent();
  tm->tmHeight = fm.ascent() + fm.descent();
  tm->tmInternalLeading = std::max(0, tm->tmHeight - font.pixelSize());
  tm->tmExternalLeading = std::max(0, fm.leading());
  tm->tmAveCharWidth = fm.averageCharWidth();
  tm->tmMaxCharWidth = fm.maxWidth();
  tm->tmWeight = font.weight();
  tm->tmCharSet = charsetOf(dc);
  return TRUE;
}

BOOL GetTextExtentPoint32(HDC dc, LPCSTR text, int count, SIZE* size) {
  if (!IsLiveDC(dc) || !text || !size || count < 0) return FALSE;
  QFontMetrics fm(fontOf(dc));
  size->cx = fm.horizontalAdvance(DecodeText(text, count, charsetOf(dc)));
  size->cy = fm.ascent() + fm.descent();
  return TRUE;
}

namespace {
void drawLine(HDC dc, const Target& t, QPainter& painter, const QFontMetrics& fm, const Line& line,
              int x, int y, QRect* touched) {
  int lineHeight = fm.ascent() + fm.descent();
  int width = fm.horizontalAdvance(line.text);
  QRect box(x + t.origin.x(), y + t.origin.y(), width, lineHeight);
  if (dc->bkMode == OPAQUE) painter.fillRect(box, ColorFromRef(dc->bkColor));
  painter.drawText(QPoint(box.left(), box.top() + fm.ascent()), line.text);
  if (line.mnemonic >= 0 && line.mnemonic < line.text.size()) {
    int ux = fm.horizontalAdvance(line.text.left(line.mnemonic));
    int uw = fm.horizontalAdvance(line.text.mid(line.mnemonic, 1));
    int uy = box.top() + fm.ascent() + 1;
    painter.drawLine(box.left() + ux, uy, box.left() + ux + uw - 1, uy);
  }
  *touched |= box;
}
}  // namespace

int DrawText(HDC dc, LPCSTR text, int count, RECT* rect, UINT format) {
  if (!IsLiveDC(dc) || !text || !rect) return 0;
  QFont font = fontOf(dc);
  QFontMetrics fm(font);
  const int lineHeight = fm.ascent() + fm.descent();
  QString all = DecodeText(text, count, charsetOf(dc));
  if (format & DT_EXPANDTABS) all = expandTabs(all);
  const int width = rect->right - rect->left;

  std::vector<Line> lines;
  auto addLine = [&](const QString& s) {
    lines.push_back((format & DT_NOPREFIX) ? Line{s, -1} : stripPrefix(s));
  };
  if (format & DT_SINGLELINE) {
    QString one = all;
    one.replace(QLatin1String("\r\n"), QLatin1String(" "));
    one.replace(QLatin1Char('\r'), QLatin1Char(' '));
    one.replace(QLatin1Char('\n'), QLatin1Char(' '));
    addLine(one);
  } else {
    QString normal = all;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList paragraphs = normal.split(QLatin1Char('\n'));
    for (const QString& p : paragraphs) {
      if (format & DT_WORDBREAK) {
        // Mnemonic markers do not take room: wrap what will be drawn.
        QString shown = (format & DT_NOPREFIX) ? p : stripPrefix(p).text;
        for (auto& l : wrap(shown, fm, width)) lines.push_back(Line{l, -1});
      } else {
        addLine(p);
      }
    }
    // A final line break adds no empty line at the end.
    if (lines.size() > 1 && lines.back().text.isEmpty() && normal.endsWith(QLatin1Char('\n'))) lines.pop_back();
  }

  int widest = 0;
  for (auto& l : lines) widest = std::max(widest, fm.horizontalAdvance(l.text));
  const int total = lineHeight * static_cast<int>(lines.size());
  if (format & DT_CALCRECT) {
    rect->right = rect->left + widest;
    rect->bottom = rect->top + total;
    return total;
  }

  int y = rect->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) y = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
    else if (format & DT_BOTTOM) y = rect->bottom - lineHeight;
  }
  Target t = TargetOf(dc);
  if (t.image) {
    QPainter painter(t.image);
    QRect clip = t.clip;
    if (!(format & DT_NOCLIP))
      clip &= QRect(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1)).translated(t.origin);
    painter.setClipRect(clip);
    painter.setFont(font);
    painter.setPen(ColorFromRef(dc->textColor));
    QRect touched;
    int lineY = y;
    for (auto& l : lines) {
      int lw = fm.horizontalAdvance(l.text);
      int x = rect->left;
      if (format & DT_CENTER) x = rect->left + (width - lw) / 2;
      else if (format & DT_RIGHT) x = rect->right - lw;
      drawLine(dc, t, painter, fm, l, x, lineY, &touched);
      lineY += lineHeight;
    }
    painter.end();
    Touched(t, touched & clip);
  }
  return (format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM)) ? y - rect->top + lineHeight : total;
}
