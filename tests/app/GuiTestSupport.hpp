#pragma once

#include <QQmlEngine>
#include <QQuickWindow>
#include <QStringList>

#include "app/KindoraApplication.hpp"

// Qt itself is not built with ThreadSanitizer, and its render and QML loader threads synchronise in
// code ThreadSanitizer cannot see, so it reports races that are not ours. The GUI suites run under the
// dev and asan builds; under tsan they skip, saying why.
#if defined(__SANITIZE_THREAD__)
#define KINDORA_SKIP_GUI_UNDER_TSAN() \
    GTEST_SKIP() << "Qt is not built for ThreadSanitizer; the GUI suites run under dev and asan"
#else
#define KINDORA_SKIP_GUI_UNDER_TSAN() static_cast<void>(0)
#endif

namespace kindora::testing {

// The process's application object, on the offscreen platform unless a display is chosen.
KindoraApplication& guiApplication();

// Collects every warning a QML engine reports and every Qt warning message, for tests that require none.
class QmlWarnings {
public:
    QmlWarnings();
    ~QmlWarnings();
    QmlWarnings(const QmlWarnings&) = delete;
    QmlWarnings& operator=(const QmlWarnings&) = delete;

    void watch(QQmlEngine& engine);
    // Every warning so far, one per line; empty when there was none.
    std::string text() const;

private:
    QStringList warnings_;
};

// Shows `window`'s next frame and processes the events that follow.
void renderOnce(QQuickWindow& window);

}  // namespace kindora::testing
