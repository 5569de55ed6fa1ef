#pragma once

// How an XmlParameterWidget renders its parameter.
namespace DisplayType {
enum Type {
    Plain = 0,     // a number in a spin box with the parameter's range and unit
    TwoChoice = 4, // one of two named choices (values 0 and 1) in a combo box
};
} // namespace DisplayType
