// Defines the class, interface and library ids declared by the generated header.
#include <initguid.h>
#include "Linkmoss_h.h"
