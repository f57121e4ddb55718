#include "reportcharts.h"

#include <QBuffer>
#include <QChart>
#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLegend>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgGenerator>
#include <QValueAxis>

#include <cmath>

namespace ReportCharts {

namespace {

// The SVG writer opens a group with the whole painter state for every
// primitive, also where nothing is drawn, and repeats the font in every
// group although each text names its own. Without them a heat map of ten
// thousand cells shrinks to a fifth.
QByteArray compact(const QByteArray &svg)
{
    static const QRegularExpression emptyGroup(QStringLiteral("<g [^>]*>\\s*</g>\\s*"));
    static const QRegularExpression groupFont(
        QStringLiteral("(<g [^>]*?)\\s*font-family=\"[^\"]*\" font-size=\"[^\"]*\" "
                       "font-weight=\"[^\"]*\" font-style=\"[^\"]*\"\\s*>"));
    QString text = QString::fromUtf8(svg);
    text.remove(emptyGroup);
    text.replace(groupFont, QStringLiteral("\\1>"));
    return text.toUtf8();
}

} // namespace

QColor taskColor(int task)
{
    // Ten well-separated colours (the "tableau" set of many plotting tools).
    static const QList<QColor> colors = {
        QColor(0x4e79a7), QColor(0xf28e2b), QColor(0x59a14f), QColor(0xe15759),
        QColor(0x76b7b2), QColor(0xedc948), QColor(0xb07aa1), QColor(0xff9da7),
        QColor(0x9c755f), QColor(0xbab0ac)};
    if (task <= 0)
        return signInColor();
    return colors.at((task - 1) % colors.size());
}

QString taskName(int task)
{
    return task > 0 ? QStringLiteral("task %1").arg(task) : QStringLiteral("no task");
}

QColor signInColor()
{
    return QColor(0x888888);
}

QColor unattributedColor()
{
    return QColor(0xd0d0d0);
}

QFont font(int pixels, bool bold)
{
    // The generic family, which the SVG names too: the browser then draws
    // with its own sans-serif font instead of a serif one.
    QFont font(QStringLiteral("sans-serif"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QChart *newChart(const QString &title)
{
    auto *chart = new QChart;
    chart->setTitle(title);
    chart->setTitleFont(font(15, true));
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundRoundness(0);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->setFont(font(12));
    return chart;
}

void styleAxis(QAbstractAxis *axis)
{
    axis->setLabelsFont(font(12));
    axis->setTitleFont(font(12));
}

double niceStep(double most)
{
    const double top = std::max(most, 1e-9);
    double step = std::pow(10.0, std::floor(std::log10(top / 5)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (top / (step * factor) <= 5 + 1e-9)
            return step * factor;
    }
    return step * 10;
}

QValueAxis *minutesAxis(double most, const QString &title)
{
    // The axis' own nice numbers can give so many ticks for short times that
    // every label is cut to "...".
    auto *axis = new QValueAxis;
    styleAxis(axis);
    axis->setTitleText(title);
    const double top = std::max(most, 1.0 / 60);
    const double step = niceStep(top);
    const int steps = int(std::ceil(top / step - 1e-9));
    axis->setRange(0, step * steps);
    axis->setTickCount(steps + 1);
    const int decimals = std::max(0, int(-std::floor(std::log10(step) + 1e-9)));
    axis->setLabelFormat(QStringLiteral("%.") + QString::number(decimals) + QLatin1Char('f'));
    return axis;
}

QByteArray svg(QChart *chart, const QSize &size, const std::function<void(QChart *)> &laidOut)
{
    QGraphicsScene scene;
    scene.addItem(chart); // the scene owns the chart from here
    chart->resize(size);
    // The chart lays out its axes and series on posted events.
    QCoreApplication::sendPostedEvents();
    chart->layout()->activate();
    QCoreApplication::sendPostedEvents();
    if (laidOut) {
        laidOut(chart);
        QCoreApplication::sendPostedEvents();
    }

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(chart->title());
    generator.setResolution(96); // so that the size in millimetres is the size in CSS pixels
    QPainter painter(&generator);
    scene.render(&painter, QRectF(QPointF(0, 0), size), QRectF(QPointF(0, 0), size));
    painter.end();
    return buffer.data();
}

QByteArray image(QChart *chart, const QSize &size, const QString &alt,
                 const std::function<void(QChart *)> &laidOut)
{
    const QByteArray data = compact(svg(chart, size, laidOut)).toBase64();
    return "<img width=\"" + QByteArray::number(size.width()) + "\" height=\""
           + QByteArray::number(size.height()) + "\" alt=\"" + escaped(alt)
           + "\" src=\"data:image/svg+xml;base64," + data + "\">\n";
}

QByteArray escaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

QString clock(double seconds)
{
    const qint64 whole = qint64(std::llround(seconds));
    const qint64 hours = whole / 3600;
    const qint64 minutes = whole / 60 % 60;
    const qint64 rest = whole % 60;
    if (hours > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(hours)
            .arg(minutes, 2, 10, QLatin1Char('0'))
            .arg(rest, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(minutes).arg(rest, 2, 10, QLatin1Char('0'));
}

} // namespace ReportCharts
