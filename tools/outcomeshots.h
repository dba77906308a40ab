#pragma once
// Pictures of what a culling method decided in one view: every non-occluder drawn in the colour
// of its outcome against the ground truth, the occluders as outlines over everything so that
// the objects they hide show through, a title and a legend.
//
// Outcomes and colours:
// - drawn and visible: grey, the work that has to be done;
// - culled and hidden: green, the culling's gain;
// - culled although visible (a false cull): red, an error in the picture;
// - drawn although hidden (missed): amber, the culling's loss.

#include <string>
#include <vector>

enum class Outcome { DrawnVisible, CulledHidden, FalseCull, Missed };

// The outcome of every object (occluders included, whose entry is ignored) from the ground
// truth's visibility and a method's culled flags.
std::vector<Outcome> outcomesOf(const std::vector<bool>& visible, const std::vector<bool>& culled);

// Draws the global scene's current view with every non-occluder in its outcome's colour, the
// title (lines separated by newlines) at the top and the legend with each outcome's count at the bottom, and writes the window
// to a PNG file. Needs a current OpenGL context. Stops the program with a message when the file
// cannot be written.
void writeOutcomeShot(const std::string& path, int width, int height,
                      const std::vector<Outcome>& outcomes, const std::string& title);
