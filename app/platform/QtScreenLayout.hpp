#pragma once

#include <QObject>
#include <QTimer>

#include "app/panels/ScreenLayout.hpp"

class QScreen;

namespace kindora {

// The screens as Qt sees them (on X11: the RandR monitors). A burst of changes (a monitor unplugged
// changes the primary, the geometry and the list at once) is reported once, as soon as the event loop
// is free. Main thread only.
class QtScreenLayout final : public QObject, public ScreenLayout {
    Q_OBJECT
public:
    explicit QtScreenLayout(QObject* parent = nullptr);

    std::vector<QRect> frames() const override;
    std::optional<QRect> workingScreen() const override;
    void setOnChanged(std::function<void()> onChanged) override;

private:
    void watch(QScreen* screen);

    std::function<void()> onChanged_;
    QTimer coalesce_;
};

}  // namespace kindora
