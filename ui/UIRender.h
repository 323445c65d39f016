// Drawing helpers shared by the controls and by custom controls of the application.
#pragma once

#include <QImage>
#include <QPainter>
#include <QString>

#include "ui/UIDefs.h"

namespace DuiLib {

class CPaintManagerUI;

class CRenderEngine {
public:
    // Text in rc with DT_* format flags and a font index of the manager.
    static void DrawText(QPainter& painter, CPaintManagerUI* pManager, const CDuiRect& rc,
                         const QString& text, DWORD color, int iFont, UINT uStyle);
    // The same with a font at hand (controls that keep their own).
    static void DrawText(QPainter& painter, const QFont& font, const CDuiRect& rc,
                         const QString& text, DWORD color, UINT uStyle);
    // Qt alignment/text flags for DT_* flags.
    static int ToQtTextFlags(UINT uStyle);
    static void DrawColor(QPainter& painter, const CDuiRect& rc, DWORD color);
    static void DrawRect(QPainter& painter, const CDuiRect& rc, int size, DWORD color);
    // A framework image string within rcItem: a plain file name, or attributes
    // file/res='..' restype='..' source='l,t,r,b' dest='l,t,r,b' (dest relative to rcItem,
    // at 100 %). False when the image is missing.
    static bool DrawImageString(QPainter& painter, CPaintManagerUI* pManager,
                                const CDuiRect& rcItem, const QString& image);
    // The file named by an image string.
    static QString ImageFileOf(const QString& image);
};

}  // namespace DuiLib
