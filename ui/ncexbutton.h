// Bitmap buttons of the message dialog: the skinned button without a cursor of its own.
#pragma once
#include "ui/cexbutton.h"

class NCExButton : public CSkinButton {
    DECLARE_MESSAGE_MAP()
};
