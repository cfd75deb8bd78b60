#include "base/scene_params.h"

SceneParameters SceneParams;
