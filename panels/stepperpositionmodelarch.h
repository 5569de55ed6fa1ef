#pragma once

#include <QList>
#include <QPointer>
#include <QRectF>
#include <QVector>
#include <QWidget>

class AxisController;
class QPushButton;
class ToolsInterface;
class Ui_StepperPositionModeLarch;
class XmlParameterWidget;
namespace Model {
class AxilParameter;
}

// The ramp panel of the Larch family: thirteen ramp parameters in a form and the ramp as a
// picture, either the eight-point ramp, on which every value can be edited in place, or the
// trapezoidal ramp, in which only the maxima are free and the intermediate points follow them.
class StepperPositionModeLarch final : public QWidget
{
    Q_OBJECT
public:
    explicit StepperPositionModeLarch(ToolsInterface *tool);
    ~StepperPositionModeLarch() override;

    void showPlugin();
    void hidePlugin();
    void trapezMode(bool on);
    void settingsCheck();
    // Maps an element rectangle from the picture's user coordinates to the item's (scaling only).
    QRectF mapRectToScene(QRectF viewBox, QRectF itemRect, QRectF elementRect) const;

private slots:
    void on_btnSwitchMode_clicked();

public slots:
    void handleValuesChanged(int value);
    void btnAbsolute();
    void btnRelative();
    void reload();

private:
    Q_DISABLE_COPY(StepperPositionModeLarch)
    // The editors in field order: VSTART, VSTOP, V1, V2, VMAX, TVMAX, A1, A2, AMAX, D1, D2,
    // DMAX, TZERO.
    QVector<XmlParameterWidget *> fieldWidgets() const;

    Ui_StepperPositionModeLarch *ui = nullptr;
    bool shown = false;
    QPointer<ToolsInterface> tool;
    QPointer<AxisController> controller;
    QPointer<QPushButton> reloadButton;
    quint8 motor = 0;
    QPointer<Model::AxilParameter> paramVMAX;
    QPointer<Model::AxilParameter> paramAMAX;
    QPointer<Model::AxilParameter> paramDMAX;
    QPointer<Model::AxilParameter> paramVSTART;
    QPointer<Model::AxilParameter> paramA1;
    QPointer<Model::AxilParameter> paramA2;
    QPointer<Model::AxilParameter> paramV1;
    QPointer<Model::AxilParameter> paramV2;
    QPointer<Model::AxilParameter> paramD1;
    QPointer<Model::AxilParameter> paramD2;
    QPointer<Model::AxilParameter> paramVSTOP;
    QPointer<Model::AxilParameter> paramTZERO;
    QPointer<Model::AxilParameter> paramTVMAX;
    QList<QPointer<Model::AxilParameter>> parameters;
    QPointer<XmlParameterWidget> widgetVSTART;
    QPointer<XmlParameterWidget> widgetVSTOP;
    QPointer<XmlParameterWidget> widgetV1;
    QPointer<XmlParameterWidget> widgetV2;
    QPointer<XmlParameterWidget> widgetVMAX;
    QPointer<XmlParameterWidget> widgetTVMAX;
    QPointer<XmlParameterWidget> widgetA1;
    QPointer<XmlParameterWidget> widgetA2;
    QPointer<XmlParameterWidget> widgetAMAX;
    QPointer<XmlParameterWidget> widgetD1;
    QPointer<XmlParameterWidget> widgetD2;
    QPointer<XmlParameterWidget> widgetDMAX;
    QPointer<XmlParameterWidget> widgetTZERO;
    bool trapezoidal = false;
    bool reloading = false; // reload() is reading the parameters one by one
};
