// What every program says after its name and version on --version: who holds the copyright and
// the terms anyone may pass it on under.
#pragma once

#define VANDREL_LICENCE_NOTICE                                                                   \
    "Copyright (C) 2026 the Vandrel developers\n"                                                \
    "License GPL-3.0-or-later: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>\n" \
    "This is free software: you are free to change and redistribute it.\n"                       \
    "There is NO WARRANTY, to the extent permitted by law."
