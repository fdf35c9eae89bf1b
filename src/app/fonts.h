#pragma once

namespace tarvo {

// The window fonts are named as on the original desktop; map them to installed fonts that
// match their metrics and cover Arabic, so captions are shaped, never boxes.
void installFontSubstitutions();

} // namespace tarvo
