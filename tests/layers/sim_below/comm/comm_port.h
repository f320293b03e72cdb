// A transport that includes the simulator beside the layers.
#include "platform/clock.h"
#include "sim/sim_server.h"
