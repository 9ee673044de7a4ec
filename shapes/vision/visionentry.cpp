#include "shapes/vision/visionapi.h"

namespace {
const stVisionApi g_Api = {stVisionApi::VERSION, CContourTrace::Trace, CErosionPocket::Rings};
} // namespace

const stVisionApi* diradi_vision_api()
{
    return &g_Api;
}
