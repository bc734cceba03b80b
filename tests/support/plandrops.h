#pragma once

#include <QApplication>
#include <QByteArray>
#include <QDropEvent>
#include <QMimeData>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <memory>

// Two plans as 36 digits (CH1 RX first, as a *.sav holds them) and the six
// texts the sheet shows for each, RX column then TX column: CH1 40.0125 /
// 40.5000 and nothing else; a full plan. kEmptyTexts: the empty sheet.
inline const QByteArray kVanDigits = "400125405000" + QByteArray(24, '0');
inline const QByteArray kTruckDigits = "400125405000380000423000410250399875";
inline const QStringList kVanTexts{QStringLiteral("40.0125"), {}, {}, QStringLiteral("40.5000"), {}, {}};
inline const QStringList kTruckTexts{QStringLiteral("40.0125"), QStringLiteral("38.0000"), QStringLiteral("41.0250"),
                                     QStringLiteral("40.5000"), QStringLiteral("42.3000"), QStringLiteral("39.9875")};
inline const QStringList kEmptyTexts(6);

// A *.sav file of 36 lines " d " for the 36 digits given (CH1 RX first).
inline QByteArray savBytes(const QByteArray &digits)
{
    QByteArray bytes;
    for (char digit : digits)
        bytes += QByteArray(" ") + digit + " \r\n";
    return bytes;
}

// What a file manager puts on a drag of these URLs; withText adds the paths as
// plain text too, as some do.
inline std::unique_ptr<QMimeData> urlDrag(const QList<QUrl> &urls, bool withText = false)
{
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    if (withText) {
        QStringList paths;
        for (const QUrl &url : urls)
            paths << url.toString();
        data->setText(paths.join(u'\n'));
    }
    return data;
}

// Drags data over the middle of over and drops it there as the window system
// hands a drop to a window: to the widget under the point that takes drops, or
// the nearest one above it, entered first; dropped only if it took the drag.
// True when the drop was taken.
inline bool dropOn(QWidget *over, const QMimeData *data)
{
    QWidget *window = over->window();
    const QPoint point = over->mapTo(window, over->rect().center());
    QWidget *target = window->childAt(point);
    if (!target)
        target = window;
    while (target && !target->acceptDrops() && !target->isWindow())
        target = target->parentWidget();
    if (!target || !target->acceptDrops())
        return false;
    const QPoint local = target->mapFrom(window, point);
    QDragEnterEvent enter(local, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(target, &leave);
        return false;
    }
    QDropEvent drop(QPointF(local), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}
