# The system's shared data files the whole-road benchmarks place on their images: real files of the kinds both
# tools know, 2 KiB to 8 MiB each, in a stable order.
import os

EXTENSIONS = {'png', 'gif', 'jpg', 'pdf', 'zip', 'html', 'wav', 'ttf', 'ico', 'mp3', 'odt'}


def system_data_files():
    paths = []
    for root in ('/usr/share', '/usr/lib'):
        for d, _, names in os.walk(root):
            for n in names:
                p = os.path.join(d, n)
                if n.rsplit('.', 1)[-1].lower() in EXTENSIONS and os.path.isfile(p) and not os.path.islink(p):
                    if 2048 <= os.path.getsize(p) <= 8 << 20:
                        paths.append(p)
    return sorted(paths)
