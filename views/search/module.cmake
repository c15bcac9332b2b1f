salvix_module(salvix_views_search views/search QT DEPS salvix_tree salvix_core)
