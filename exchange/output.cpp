// TODO: being written
#include "exchange/JwwGaibu.h"
void JwwClearOut() {}
