#pragma once

// The sample sheet of the definitions manager: the current definition drawn at
// 100/333 of its size, with rulers, whose markers the user drags to new places.

#include "ui/definitions/SampleLayout.h"

#include <QWidget>

#include <functional>

class DefinitionStore;
class QFrame;
class QLabel;
class QScrollArea;
class TRuler;

class TEnvelopeSample : public QWidget
{
public:
    explicit TEnvelopeSample(DefinitionStore &Store, QWidget *parent = nullptr);

    // After a drop was stored in the current definition.
    std::function<void()> OnDropped;

    void LayoutEnvelopeSample();
    // Inches or centimetres on both rulers, as the Measure preference says.
    void SetRulerScale(int Measure);
    void LoadSampleStamp(const QPixmap &Stamp);
    int PixelsPerInch() const;

    QFrame *PanelEnvelope() const { return m_panelEnvelope; }
    QFrame *PanelUsableEnvelope() const { return m_panelUsable; }
    QLabel *Marker(TSampleMarker Which) const { return m_markers[int(Which)]; }
    QLabel *PanelMove() const { return m_panelMove; }
    QLabel *ImageStamp() const { return m_imageStamp; }
    TRuler *RulerHorizontal() const { return m_rulerHorizontal; }
    TRuler *RulerVertical() const { return m_rulerVertical; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *marker(const QString &caption, const QString &hint, QSize size);
    TSampleSheet sheet() const;
    void press(int which, const QPoint &inMarker);
    void move(const QPoint &inUsable);
    void drop(const QPoint &inUsable);

    DefinitionStore &m_store;
    TRuler *m_rulerHorizontal = nullptr;
    TRuler *m_rulerVertical = nullptr;
    QWidget *m_panelRulerHorizontal = nullptr;
    QScrollArea *m_scrollBox = nullptr;
    QFrame *m_panelEnvelope = nullptr;
    QFrame *m_panelUsable = nullptr;
    QLabel *m_imageStamp = nullptr;
    QLabel *m_markers[4] = {};
    QLabel *m_panelMove = nullptr;
    TSampleGeometry m_geometry;
    // The marker being dragged (-1: none), where it stood and where in it the
    // mouse went down.
    int m_dragging = -1;
    QPoint m_dragStart;
    QPoint m_dragOffset;
};
