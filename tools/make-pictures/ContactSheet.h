// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
// A proof sheet of the written pictures: a mock-up of the main window built
// from the image buttons, and every glyph enlarged on light and dark ground.

#include <string>

void WriteContactSheet(const std::string &pictureFolder, const std::string &sheetPath);
