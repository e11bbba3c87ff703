// The rules' own sine and cosine against the math library's, per call.
#pragma once

namespace bench {

void trigFigure();

} // namespace bench
