// A window built from inline markup that records every notification and message it sees, and
// helpers to drive it with real Qt input.
#pragma once

#include <gtest/gtest.h>
#include <zip.h>

#include <QApplication>
#include <QBuffer>
#include <QDeadlineTimer>
#include <QTest>
#include <functional>
#include <vector>

#include "ui/UILib.h"

namespace uitest {

struct Seen {
    QString type;
    QString sender;
    DuiLib::WPARAM wParam = 0;
    bool senderFocused = false;  // the sender held the framework focus when it notified
};

class RecordingWnd : public DuiLib::WindowImplBase {
public:
    explicit RecordingWnd(QString markup) : m_markup(std::move(markup)) {}

    QString GetSkinFile() override { return m_markup; }
    QString GetWindowClassName() const override { return QStringLiteral("RecordingWnd"); }

    void Notify(DuiLib::TNotifyUI& msg) override {
        Seen seen;
        seen.type = msg.sType;
        seen.sender = msg.pSender ? msg.pSender->GetName() : QString();
        seen.wParam = msg.wParam;
        seen.senderFocused = msg.pSender && msg.pSender->IsFocused();
        notes.push_back(seen);
        if (onNotify) onNotify(msg);
        DuiLib::WindowImplBase::Notify(msg);
    }

    DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam,
                                        DuiLib::LPARAM lParam, bool& bHandled) override {
        custom.push_back(uMsg);
        if (onCustom) return onCustom(uMsg, wParam, lParam, bHandled);
        bHandled = false;
        return 0;
    }

    DuiLib::CControlUI* Find(const QString& name) { return m_pm.FindControl(name); }
    DuiLib::CPaintManagerUI& Pm() { return m_pm; }

    // The types notified by one sender, in order.
    std::vector<QString> TypesFrom(const QString& sender) const {
        std::vector<QString> out;
        for (const Seen& s : notes) {
            if (s.sender == sender) out.push_back(s.type);
        }
        return out;
    }
    int Count(const QString& type, const QString& sender) const {
        int n = 0;
        for (const Seen& s : notes) n += (s.type == type && s.sender == sender) ? 1 : 0;
        return n;
    }

    std::vector<Seen> notes;
    std::vector<DuiLib::UINT> custom;
    std::function<void(DuiLib::TNotifyUI&)> onNotify;
    std::function<DuiLib::LRESULT(DuiLib::UINT, DuiLib::WPARAM, DuiLib::LPARAM, bool&)> onCustom;

private:
    QString m_markup;
};

// Pumps events until `done` holds or five seconds pass; returns `done()`.
inline bool WaitFor(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired()) QTest::qWait(5);
    return done();
}

// Creates, shows and activates a window; it is destroyed with the returned object.
inline std::unique_ptr<RecordingWnd> Open(const QString& markup) {
    auto wnd = std::make_unique<RecordingWnd>(markup);
    if (!wnd->Create(nullptr, QStringLiteral("test"), DuiLib::UI_WNDSTYLE_FRAME, 0)) return nullptr;
    wnd->Pm().UpdateLayout();
    QWidget* w = wnd->GetHWND();
    w->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(w));
    return wnd;
}

inline QWidget* W(RecordingWnd& wnd, const QString& name) {
    DuiLib::CControlUI* c = wnd.Find(name);
    return c ? c->GetWidget() : nullptr;
}

inline void Click(RecordingWnd& wnd, const QString& name, QPoint at = QPoint(-1, -1)) {
    QWidget* w = W(wnd, name);
    ASSERT_NE(w, nullptr) << name.toStdString();
    QTest::mouseClick(w, Qt::LeftButton, {}, at.x() < 0 ? w->rect().center() : at);
}

// Local point of a control's widget for a window client point.
inline QPoint Local(RecordingWnd& wnd, const QString& name, QPoint client) {
    return client - wnd.Find(name)->GetWidget()->pos();
}

// An unencrypted zip made in memory (the image files are the point here, not the password).
inline QByteArray MakeZip(const std::vector<std::pair<const char*, QByteArray>>& files) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(src);
    zip_t* za = zip_open_from_source(src, ZIP_TRUNCATE, &error);
    for (const auto& [name, data] : files) {
        zip_source_t* file =
            zip_source_buffer(za, data.constData(), static_cast<zip_uint64_t>(data.size()), 0);
        zip_file_add(za, name, file, ZIP_FL_OVERWRITE);
    }
    zip_close(za);
    QByteArray out;
    if (zip_source_open(src) == 0) {
        zip_source_seek(src, 0, SEEK_END);
        out.resize(static_cast<qsizetype>(zip_source_tell(src)));
        zip_source_seek(src, 0, SEEK_SET);
        zip_source_read(src, out.data(), static_cast<zip_uint64_t>(out.size()));
        zip_source_close(src);
    }
    zip_source_free(src);
    zip_error_fini(&error);
    return out;
}

inline QByteArray Png(int size, Qt::GlobalColor color) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return bytes;
}

}  // namespace uitest
