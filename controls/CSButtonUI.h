// A push button with a selected state of its own (markup "SButton"), set by the owner window:
// while selected it paints its selected background, images, fore image, text colour and font.
// Clicking does not toggle the selection; the button sends its usual "click".
#pragma once

#include <array>

#include "ui/UIButton.h"

class CSButtonUI : public DuiLib::CButtonUI {
public:
    // The selected, selected-hot and selected-pushed images cut from a state image of
    // `frameCount` equal slices side by side: slice 0, then 1 (also pushed), then 2 replaces the
    // pushed one. Empty strings where the count gives no slice.
    struct StateSlices {
        QString selected;
        QString hot;
        QString pushed;
    };
    static StateSlices SliceStateImage(const QString& stateImage, QSize imageSize, int frameCount);

    CSButtonUI();

    QString GetClass() const override;
    void* GetInterface(const QString& pstrName) override;
    void SetAttribute(const QString& pstrName, const QString& pstrValue) override;
    void SetEnabled(bool bEnable = true) override;

    bool IsSelected() const { return m_bSelected; }
    void SetSelected(bool bSelected);

    QString GetSelectedImage() const { return m_sSelectedImage; }
    QString GetSelectedHotImage() const { return m_sSelectedHotImage; }
    QString GetSelectedPushedImage() const { return m_sSelectedPushedImage; }
    DuiLib::DWORD GetSelectedBkColor() const { return m_dwSelectedBkColor; }
    DuiLib::DWORD GetSelectedTextColor() const { return m_dwSelectedTextColor; }
    int GetSelectedFont() const { return m_iSelectedFont; }

    void PaintBkColor(QPainter& painter) override;
    void PaintStatusImage(QPainter& painter) override;
    void PaintText(QPainter& painter) override;

private:
    // Cuts the state image once, on the first selected paint, unless a selected image was given;
    // the slices are in the plain file's pixels, so they hold across DPI changes.
    void SliceStateImageOnce();

    bool m_bSelected = false;
    QString m_sSelectedImage;
    QString m_sSelectedHotImage;
    QString m_sSelectedPushedImage;
    QString m_sSelectedForeImage;
    QString m_sSelectedStateImage;
    int m_nSelectedStateCount = 0;
    DuiLib::DWORD m_dwSelectedBkColor = 0;
    DuiLib::DWORD m_dwSelectedTextColor = 0;
    int m_iSelectedFont = -1;
};
