// A camera source that reaches up into the control layer.
#include "camera/camera.h"
#include "control/control.h"
