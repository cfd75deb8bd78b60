#include "host/scene_params.h"

SceneParameters SceneParams;
