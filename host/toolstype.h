#pragma once

// The kinds of tool the host knows. A tool reports its kind so that the host can group tools of
// one kind (one menu entry, one settings section) across modules.
namespace ToolsType {
enum Types {
    Undefined = 0,
    ParameterEditor = 1,
    VelocityMode = 2,
    GenericStepperPositionMode = 69,
};
} // namespace ToolsType
