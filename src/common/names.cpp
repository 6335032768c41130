#include "common/names.h"

char serviceName[] = "QeltWatch";
