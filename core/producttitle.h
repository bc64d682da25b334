#pragma once

// The product title: the main window's title and the title of every result and error box.
inline constexpr char ProductTitle[] = "Sorvel Quorvane for Unity";
