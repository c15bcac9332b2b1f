salvix_module(salvix_views_search views/search DEPS salvix_tree Boost::regex)
