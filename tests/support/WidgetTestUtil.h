#pragma once

#include "platform/MessageBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QImage>
#include <QMouseEvent>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <ostream>

namespace quabrel::testing {

// Records every message the program shows instead of opening a box.
class MessageRecorder {
public:
    MessageRecorder() {
        m_previous = SetMessagePresenter([this](QWidget*, const QString& text, const QString&) { m_texts << text; });
    }
    ~MessageRecorder() { SetMessagePresenter(std::move(m_previous)); }
    const QStringList& Texts() const { return m_texts; }
    void Clear() { m_texts.clear(); }

private:
    MessagePresenter m_previous;
    QStringList m_texts;
};

// What the widget paints, at its own size.
inline QImage Paint(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

inline void SendMouse(QWidget& widget, QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
                      Qt::MouseButtons buttons = Qt::LeftButton) {
    QMouseEvent event(type, QPointF(pos), QPointF(widget.mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

inline void Press(QWidget& w, QPoint p) { SendMouse(w, QEvent::MouseButtonPress, p); }
inline void Release(QWidget& w, QPoint p) { SendMouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }
inline void DragTo(QWidget& w, QPoint p) { SendMouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
inline void Hover(QWidget& w, QPoint p) { SendMouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }
inline void Click(QWidget& w, QPoint p) {
    Press(w, p);
    Release(w, p);
}

// Runs the event loop until `done` holds or `ms` pass; says which.
template <class Predicate>
bool WaitUntil(Predicate done, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

// A solid opaque image.
inline QImage Solid(int w, int h, QRgb color) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

}  // namespace quabrel::testing

// Failures print texts as texts, not as bytes.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
