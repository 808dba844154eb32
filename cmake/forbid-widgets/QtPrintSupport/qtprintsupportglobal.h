#error "Report core code must not include Qt Print Support headers (they need Qt Widgets): move this file into reports/ui."
