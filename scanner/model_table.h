// The model table and the identified model's properties.
#pragma once

// Applies the identified model's row; 1 on success, 0 when the model name is
// not in the table.
int ApplyModel();
