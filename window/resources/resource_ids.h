/* Resource identifiers shared by the resource script and the program. */
#pragma once

#define IDI_TORVELT 101
#define IDI_PICTURE2 102
#define IDR_PICTURE1 103
