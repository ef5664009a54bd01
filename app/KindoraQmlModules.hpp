#pragma once

#include <QQmlEngine>

namespace kindora {

// Makes the application's QML modules, Kindora (the views over their view models) and Kindora.Brand
// (the brand's colours, text styles and components), importable in `engine`. They are compiled into
// the program; every engine that loads a Kindora view is prepared with this first.
void useKindoraQmlModules(QQmlEngine& engine);

}  // namespace kindora
