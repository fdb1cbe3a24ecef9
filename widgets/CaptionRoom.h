#pragma once

class QWidget;

// Windows whose controls keep their designed places take their captions from the language files,
// and a caption may need more room than the design gave the text it replaced. captionroom::fit makes
// that room on one container (a page, a panel) and keeps the design wherever the text fits:
//  - every label that captions a box (it has a buddy) is as wide as its text;
//    when the widest of them would reach its box, all these boxes move right together, keeping
//    their widths and their column;
//  - every push button is at least as wide as its caption needs, widened about its centre;
//  - the container's minimum size covers its controls, so a window laid out around it grows to fit.
// It may be called again after another language is loaded: each control starts from its designed
// place, remembered at the first call.
namespace captionroom {

void fit(QWidget* container);

} // namespace captionroom
