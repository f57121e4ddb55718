#pragma once

#include "ui/colors/featurecolorpair.h"
#include "ui/colorsaves/loadbutton.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

class ColorManager;
class PaletteColor;

// Performs one save of the current colour assignment: writes the next
// numbered file and adds a load button with the colour preview of this moment
// to the load-button frame. It is made and destroyed within one save; the
// button stays.
class SaveColorAssignment : public QWidget
{
    Q_OBJECT

public:
    // refresh (the window's updateAllColors(); may be empty when nothing needs
    // refreshing) runs after a load button applied its file.
    SaveColorAssignment(QWidget *parent, const std::function<void()> &refresh, const QIcon &icon,
                        QWidget *loadButtonFrame, QList<PaletteColor *> *colorArray,
                        QList<FeatureColorPair> *pairs, ColorManager *colorManager,
                        const QString &projectFolder);

    // The button of this save, or null when the file could not be written.
    LoadButton *loadButton() const { return m_loadButton; }
    QString fileName() const { return m_fileName; }
    // Hides the load button and gives it a 50 by 50 icon. Nothing calls it:
    // the buttons stay until they are pressed.
    void hideLoadButton();

public Q_SLOTS:
    // The old name of hideLoadButton(), kept as the class's one slot.
    void loadC();

protected:
    void hideEvent(QHideEvent *event) override;

private:
    QList<PaletteColor *> *m_colorArray = nullptr;
    QList<FeatureColorPair> *m_pairs = nullptr;
    QWidget *m_loadButtonFrame = nullptr;
    QPointer<LoadButton> m_loadButton; // owned by the widget tree
    ColorManager *m_colorManager = nullptr;
    QString m_fileName;
};
