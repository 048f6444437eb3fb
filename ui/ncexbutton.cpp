// The message dialog's bitmap buttons: everything comes from the skinned button.
#include "ui/ncexbutton.h"

BEGIN_MESSAGE_MAP(NCExButton, CSkinButton)
END_MESSAGE_MAP()
