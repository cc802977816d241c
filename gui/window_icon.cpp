#include "gui/window_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The icon's resource lives in a static library: nothing else would make
// the linker keep it.
static void LoadIconResource() {
    Q_INIT_RESOURCE(resources);
}

namespace kavro {

QIcon ProgramIcon() {
    static const QIcon icon = [] {
        LoadIconResource();
        QSvgRenderer svg(QStringLiteral(":/kavro-switch-config.svg"));
        QIcon drawn;
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            svg.render(&painter);
            drawn.addPixmap(pixmap);
        }
        return drawn;
    }();
    return icon;
}

}  // namespace kavro
