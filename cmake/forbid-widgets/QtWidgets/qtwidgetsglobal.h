#error "Report core code must not include Qt Widgets headers: move this file into reports/ui."
