#pragma once

#include "toolsinterface.h"

#include <QPointer>

class AxisController;
class StepperPositionModeBirch;
class StepperPositionModeCedar;
class StepperPositionModeHazel;
class StepperPositionModeLarch;
class StepperPositionModeMaple;
class Ui_GeneralStepperPositionMode;
namespace Model {
class AxilParameter;
}

// The "Position mode" tool for the stepper families. The plugin's factory instance is one of
// these without a form; for each motor it answers isUsableForVariant and creates the motor's
// tool with clone: the standalone Rowan tool, or a tool of this class with the generic position
// controls and the ramp panel of the motor's chip family beside them.
class GenericStepperPositionMode : public ToolsInterface
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "com.velk.ToolsInterface/2.0" FILE "genericsteppermetadata.json")
    Q_INTERFACES(ToolsInterface)

public:
    // The factory instance.
    GenericStepperPositionMode();
    // A tool for one motor.
    GenericStepperPositionMode(QString name, unsigned char motor, AxilModuleInterface *module,
                               int variant);
    // The base of the Rowan tool: identity only, no form, no panel, nothing registered.
    GenericStepperPositionMode(QString name, unsigned char motor, AxilModuleInterface *module,
                               int variant, QString title);
    ~GenericStepperPositionMode() override;

    QString version() const override;
    void aboutToExit() override;
    void showPlugin() override;
    void hidePlugin() override;
    bool isUsableForVariant(int v) override;
    ToolsInterface *clone(QString name, unsigned char motor, AxilModuleInterface *module) override;

    // Creates the chip-family panel for a variant; false when the variant has none.
    bool getVariant(int v);
    void hideStepperMenu();

signals:
    void forward_showPlugin();
    void forward_hidePlugin();
    void forward_btnAbsolute();
    void forward_btnRelative();

private slots:
    void handleActualPosValueChanged(int value);

protected slots:
    virtual void on_btnHideController_toggled(bool checked);
    virtual void on_btnAbsolute_clicked();
    virtual void on_btnRelative_clicked();
    virtual void on_btnStop_clicked();
    virtual void on_btnClear_clicked();

private:
    Q_DISABLE_COPY(GenericStepperPositionMode)
    void setupTargetPosition();
    void initRelativePosition();
    void placeCollapseButtonLast();
    void readBackMove();
    void showPosition(int value);
    void showMoveState();
    static int readInt(Model::AxilParameter *parameter);

    Ui_GeneralStepperPositionMode *ui = nullptr;
    QPointer<AxisController> controller;
    int variant = 0;
    QPointer<StepperPositionModeBirch> birchPanel;
    QPointer<StepperPositionModeCedar> cedarPanel;
    QPointer<StepperPositionModeMaple> maplePanel;
    QPointer<StepperPositionModeLarch> larchPanel;
    QPointer<StepperPositionModeHazel> hazelPanel;
    QPointer<QWidget> stepperMenu;
    QPointer<Model::AxilParameter> actualPosition;
    QPointer<Model::AxilParameter> clearedCounter;
    QPointer<Model::AxilParameter> relativePositionOption;
    QPointer<Model::AxilParameter> targetPosition;
    int moveStart = 0;
    int moveTarget = 1;
    bool moveActive = false;
    // The tool itself is reading or writing the position (after a button), not the motor moving.
    bool ownAccess = false;
};
