#include "ui/UIRender.h"

#include <QFontMetrics>
#include <QHash>
#include <QRegularExpression>

#include "ui/UIControl.h"
#include "ui/UIManager.h"
#include "ui/UIResourceManager.h"

namespace DuiLib {

namespace {

// Attribute value of an image string such as "file='a.png' source='0,0,10,10'".
QString ImageAttribute(const QString& image, const QString& name) {
    // Compiled once per attribute name (painting is on the UI thread only).
    static QHash<QString, QRegularExpression> patterns;
    auto it = patterns.constFind(name);
    if (it == patterns.cend()) {
        it = patterns.insert(
            name, QRegularExpression(QStringLiteral("(?:^|\\s)%1\\s*=\\s*'([^']*)'").arg(name)));
    }
    const auto match = it->match(image);
    return match.hasMatch() ? match.captured(1) : QString();
}

bool ParseRectText(const QString& text, CDuiRect& rc) {
    const auto parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) return false;
    rc = CDuiRect(parts[0].trimmed().toInt(), parts[1].trimmed().toInt(),
                  parts[2].trimmed().toInt(), parts[3].trimmed().toInt());
    return true;
}

}  // namespace

int CRenderEngine::ToQtTextFlags(UINT uStyle) {
    int flags = 0;
    if (uStyle & DT_CENTER) {
        flags |= Qt::AlignHCenter;
    } else if (uStyle & DT_RIGHT) {
        flags |= Qt::AlignRight;
    } else {
        flags |= Qt::AlignLeft;
    }
    if (uStyle & DT_VCENTER) {
        flags |= Qt::AlignVCenter;
    } else if (uStyle & DT_BOTTOM) {
        flags |= Qt::AlignBottom;
    } else {
        flags |= Qt::AlignTop;
    }
    if (uStyle & DT_WORDBREAK) flags |= Qt::TextWordWrap;
    return flags;
}

void CRenderEngine::DrawText(QPainter& painter, CPaintManagerUI* pManager, const CDuiRect& rc,
                             const QString& text, DWORD color, int iFont, UINT uStyle) {
    if (text.isEmpty() || rc.IsEmpty()) return;
    DrawText(painter, pManager ? pManager->GetFont(iFont) : painter.font(), rc, text, color,
             uStyle);
}

void CRenderEngine::DrawText(QPainter& painter, const QFont& font, const CDuiRect& rc,
                             const QString& text, DWORD color, UINT uStyle) {
    if (text.isEmpty() || rc.IsEmpty()) return;
    painter.save();
    painter.setFont(font);
    painter.setPen(ToQColor(color));
    // Explicit line breaks (a language value's "{\n}") always start a new line.
    QString shown = text;
    if ((uStyle & DT_END_ELLIPSIS) && !shown.contains(QLatin1Char('\n'))) {
        shown = QFontMetrics(font).elidedText(shown, Qt::ElideRight, rc.GetWidth());
    }
    painter.drawText(rc.ToQRect(), ToQtTextFlags(uStyle), shown);
    painter.restore();
}

void CRenderEngine::DrawColor(QPainter& painter, const CDuiRect& rc, DWORD color) {
    if ((color >> 24) == 0 || rc.IsEmpty()) return;
    painter.fillRect(rc.ToQRect(), ToQColor(color));
}

void CRenderEngine::DrawRect(QPainter& painter, const CDuiRect& rc, int size, DWORD color) {
    if (size <= 0 || (color >> 24) == 0 || rc.IsEmpty()) return;
    painter.save();
    QPen pen(ToQColor(color));
    pen.setWidth(size);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal half = size / 2.0;
    painter.drawRect(
        QRectF(rc.left + half, rc.top + half, rc.GetWidth() - size, rc.GetHeight() - size));
    painter.restore();
}

QString CRenderEngine::ImageFileOf(const QString& image) {
    if (!image.contains(QLatin1Char('\''))) return image.trimmed();
    QString file = ImageAttribute(image, QStringLiteral("file"));
    if (file.isEmpty()) file = ImageAttribute(image, QStringLiteral("res"));
    return file;
}

bool CRenderEngine::DrawImageString(QPainter& painter, CPaintManagerUI* pManager,
                                    const CDuiRect& rcItem, const QString& image) {
    if (!pManager || image.isEmpty()) return false;
    const QString file = ImageFileOf(image);
    const QImage img = pManager->GetImage(file);
    if (img.isNull()) return false;
    CDuiRect dest = rcItem;
    CDuiRect rcDest;
    if (ParseRectText(ImageAttribute(image, QStringLiteral("dest")), rcDest)) {
        rcDest = pManager->GetDPIObj()->Scale(rcDest);
        dest = CDuiRect(rcItem.left + rcDest.left, rcItem.top + rcDest.top,
                        rcItem.left + rcDest.right, rcItem.top + rcDest.bottom);
    }
    QRect source = img.rect();
    CDuiRect rcSource;
    if (ParseRectText(ImageAttribute(image, QStringLiteral("source")), rcSource)) {
        // Source rectangles are written for the plain file; a scale variant is larger.
        const int scale = pManager->GetScale();
        const bool variant = scale != 100 && CResourceManager::GetInstance()->HasFile(
                                                 CResourceManager::GetScaledImageName(file, scale));
        const int f = variant ? scale : 100;
        source = QRect(rcSource.left * f / 100, rcSource.top * f / 100,
                       rcSource.GetWidth() * f / 100, rcSource.GetHeight() * f / 100)
                     .intersected(img.rect());
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(dest.ToQRect(), img, source);
    painter.restore();
    return true;
}

}  // namespace DuiLib
