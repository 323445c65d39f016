#include "controls/CSButtonUI.h"

#include <QHash>
#include <QPainter>
#include <QRegularExpression>

#include "ui/UIManager.h"
#include "ui/UIRender.h"
#include "ui/UIResourceManager.h"

using namespace DuiLib;

namespace {

// The attributes of a framework image string; a plain file name comes back as its "file".
QHash<QString, QString> ImageAttributes(const QString& image) {
    static const QRegularExpression kAttr(QStringLiteral(R"((\w+)\s*=\s*'([^']*)')"));
    QHash<QString, QString> attrs;
    for (auto it = kAttr.globalMatch(image); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        attrs.insert(m.captured(1), m.captured(2));
    }
    if (attrs.isEmpty()) attrs.insert(QStringLiteral("file"), image.trimmed());
    return attrs;
}

}  // namespace

CSButtonUI::StateSlices CSButtonUI::SliceStateImage(const QString& stateImage, QSize imageSize,
                                                    int frameCount) {
    StateSlices out;
    if (stateImage.isEmpty() || frameCount <= 0 || imageSize.isEmpty()) return out;
    const QHash<QString, QString> attrs = ImageAttributes(stateImage);
    const QString file = attrs.value(QStringLiteral("res"), attrs.value(QStringLiteral("file")));
    const int width = imageSize.width() / frameCount;
    auto slice = [&](int k) {
        // A state image without a destination keeps none, so the slice fills the button.
        QString s = QStringLiteral("res='%1' restype='%2'")
                        .arg(file, attrs.value(QStringLiteral("restype")));
        const QString dest = attrs.value(QStringLiteral("dest"));
        if (!dest.isEmpty()) s += QStringLiteral(" dest='%1'").arg(dest);
        return s + QStringLiteral(" source='%1,0,%2,%3'")
                       .arg(k * width)
                       .arg((k + 1) * width)
                       .arg(imageSize.height());
    };
    out.selected = slice(0);
    if (frameCount >= 2) out.hot = out.pushed = slice(1);
    if (frameCount >= 3) out.pushed = slice(2);
    return out;
}

CSButtonUI::CSButtonUI() = default;

QString CSButtonUI::GetClass() const {
    return QStringLiteral("SButtonUI");
}

void* CSButtonUI::GetInterface(const QString& pstrName) {
    if (pstrName == QStringLiteral("SButton")) return this;
    return CButtonUI::GetInterface(pstrName);
}

void CSButtonUI::SetAttribute(const QString& pstrName, const QString& pstrValue) {
    if (pstrName == QStringLiteral("selected")) {
        SetSelected(pstrValue == QStringLiteral("true"));
    } else if (pstrName == QStringLiteral("selectedimage")) {
        m_sSelectedImage = pstrValue;
    } else if (pstrName == QStringLiteral("selectedhotimage")) {
        m_sSelectedHotImage = pstrValue;
    } else if (pstrName == QStringLiteral("selectedpushedimage")) {
        m_sSelectedPushedImage = pstrValue;
    } else if (pstrName == QStringLiteral("selectedforeimage")) {
        m_sSelectedForeImage = pstrValue;
    } else if (pstrName == QStringLiteral("selectedstateimage")) {
        m_sSelectedStateImage = pstrValue;
    } else if (pstrName == QStringLiteral("selectedstatecount")) {
        m_nSelectedStateCount = pstrValue.toInt();
    } else if (pstrName == QStringLiteral("selectedbkcolor")) {
        m_dwSelectedBkColor = ParseColor(pstrValue);
    } else if (pstrName == QStringLiteral("selectedtextcolor")) {
        m_dwSelectedTextColor = ParseColor(pstrValue);
    } else if (pstrName == QStringLiteral("hottextcolor")) {
        SetHotTextColor(ParseColor(pstrValue));
    } else if (pstrName == QStringLiteral("selectedfont")) {
        m_iSelectedFont = pstrValue.toInt();
    } else {
        CButtonUI::SetAttribute(pstrName, pstrValue);
    }
}

void CSButtonUI::SetSelected(bool bSelected) {
    m_bSelected = bSelected;
    if (bSelected) {
        m_uButtonState |= UISTATE_SELECTED;
    } else {
        m_uButtonState &= ~UISTATE_SELECTED;
    }
    Invalidate();
}

void CSButtonUI::SetEnabled(bool bEnable) {
    CButtonUI::SetEnabled(bEnable);
    if (!IsEnabled()) m_uButtonState = m_bSelected ? static_cast<UINT>(UISTATE_SELECTED) : 0u;
}

void CSButtonUI::PaintBkColor(QPainter& painter) {
    if (!m_bSelected) {
        CButtonUI::PaintBkColor(painter);
        return;
    }
    if ((m_dwSelectedBkColor >> 24) != 0) {
        CRenderEngine::DrawColor(painter, GetPos(), m_dwSelectedBkColor);
    }
}

void CSButtonUI::SliceStateImageOnce() {
    if (m_sSelectedStateImage.isEmpty() || m_nSelectedStateCount <= 0 ||
        !m_sSelectedImage.isEmpty() || !m_pManager) {
        return;
    }
    // Source rectangles are in the plain file's pixels whatever the scale (the renderer maps
    // them onto a scale variant), so the cut holds at every DPI and is made from the plain size.
    const QString file = CRenderEngine::ImageFileOf(m_sSelectedStateImage);
    QSize size = CResourceManager::GetInstance()->GetImage(file, 100).size();
    if (size.isEmpty()) {
        // Only a variant: its size brought back to 100 %.
        const int scale = m_pManager->GetScale();
        size = m_pManager->GetImage(file).size() * 100 / scale;
    }
    const StateSlices slices = SliceStateImage(m_sSelectedStateImage, size, m_nSelectedStateCount);
    if (slices.selected.isEmpty()) return;
    m_sSelectedImage = slices.selected;
    if (!slices.hot.isEmpty()) m_sSelectedHotImage = slices.hot;
    if (!slices.pushed.isEmpty()) m_sSelectedPushedImage = slices.pushed;
}

void CSButtonUI::PaintStatusImage(QPainter& painter) {
    if (!m_bSelected) {
        CButtonUI::PaintStatusImage(painter);
        return;
    }
    SliceStateImageOnce();
    bool drawn = false;
    if ((m_uButtonState & UISTATE_PUSHED) && !m_sSelectedPushedImage.isEmpty()) {
        drawn = DrawImage(painter, m_sSelectedPushedImage);
    } else if ((m_uButtonState & UISTATE_HOT) && !m_sSelectedHotImage.isEmpty()) {
        drawn = DrawImage(painter, m_sSelectedHotImage);
    }
    if (!drawn && !m_sSelectedImage.isEmpty()) DrawImage(painter, m_sSelectedImage);

    const QString fore = m_sSelectedForeImage.isEmpty() ? m_sForeImage : m_sSelectedForeImage;
    if (!fore.isEmpty()) DrawImage(painter, fore);
}

void CSButtonUI::PaintText(QPainter& painter) {
    if (!(m_uButtonState & UISTATE_SELECTED)) {
        CButtonUI::PaintText(painter);
        return;
    }
    const QString text = GetText();
    if (text.isEmpty()) return;
    DWORD color = m_dwSelectedTextColor ? m_dwSelectedTextColor : m_dwTextColor;
    if (!color && m_pManager) color = m_pManager->GetDefaultFontColor();
    if (!IsEnabled()) {
        color = m_dwDisabledTextColor;
        if (!color && m_pManager) color = m_pManager->GetDefaultDisabledColor();
    }
    const int font = m_iSelectedFont != -1 ? m_iSelectedFont : m_iFont;
    const CDuiRect padding = GetTextPadding();
    const CDuiRect pos = GetPos();
    const CDuiRect rc(pos.left + padding.left, pos.top + padding.top, pos.right - padding.right,
                      pos.bottom - padding.bottom);
    CRenderEngine::DrawText(painter, m_pManager, rc, text, color, font, m_uTextStyle);
}
