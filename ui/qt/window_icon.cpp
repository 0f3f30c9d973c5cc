#include "window_icon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

namespace tolvane {

QIcon makeWindowIcon() {
    // Drawn into an indexed image afterwards, so that only the 16 colours remain.
    QImage picture(32, 32, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setPen(QColor(Qt::black));
        // The folder's back and tab.
        painter.setBrush(QColor(128, 128, 0));
        painter.drawRect(2, 9, 27, 19);
        painter.drawRect(2, 6, 10, 3);
        // The sheet: a table of three columns.
        painter.setBrush(QColor(Qt::white));
        painter.drawRect(7, 2, 20, 20);
        painter.setPen(QColor(0, 0, 128));
        for (int y = 5; y <= 19; y += 3) {
            painter.drawLine(9, y, 12, y);
            painter.drawLine(15, y, 18, y);
            painter.drawLine(21, y, 25, y);
        }
        // The folder's front.
        painter.setPen(QColor(Qt::black));
        painter.setBrush(QColor(255, 255, 0));
        painter.drawRect(2, 15, 27, 14);
    }
    const QList<QRgb> sixteenColours = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
    };
    QImage icon =
        picture.convertToFormat(QImage::Format_Indexed8, sixteenColours, Qt::ThresholdDither)
            .convertToFormat(QImage::Format_ARGB32);
    // The palette has no transparent colour: the mask of the drawing keeps the corners clear.
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            if (qAlpha(picture.pixel(x, y)) == 0) {
                icon.setPixel(x, y, qRgba(0, 0, 0, 0));
            }
        }
    }
    const QPixmap pixmap = QPixmap::fromImage(icon);
    return QIcon(pixmap);
}

}  // namespace tolvane
