#include "occlusion/globals.h"

// Order matters: these are constructed in the order written and destroyed in reverse.
Scene scene;
std::vector<PixelImage> homPyramid;
PixelImage debGrid;
PixelImage guardedCoverage;
RasterCulling rasterCulling;
FrameDecisions frameDecisions;
