// Message texts of the component library.
#pragma once

// A component that must sit once on a form was put elsewhere or twice.
inline constexpr const char *SKCLOneInstError = "Invalid owner (<>TForm) or second instance on a form";
// The two parts of the "only one per project" message around the class name.
inline constexpr const char *SKCLAlreadyOne = "Already one ";
inline constexpr const char *SKCLAlreadyOneTail = " control in this project!";
