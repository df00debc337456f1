"""The help generator on its own: its compression reads back, its topics can be walked
the way a help viewer walks them, and faulty sources are refused with a reason."""
import struct
import unittest

import make_help

SOURCE = '''title: Test Help
topic: contents
heading: Contents
Go to [the second page](second.page) or [the third](third).
topic: second.page
heading: Second page
- a bullet
Plain text.
topic: third
heading: Third page
Back to [contents](contents).
'''


def internal_files(data):
    """Internal file name -> its bytes, read through the directory's leaf page."""
    magic, directory, _, size = struct.unpack_from('<iiii', data, 0)
    assert magic == 0x00035F3F and size == len(data)
    page = directory + 9 + 38
    _, count, _, _ = struct.unpack_from('<Hhhh', data, page)
    files, at = {}, page + 8
    for _ in range(count):
        end = data.index(b'\0', at)
        name = data[at:end].decode('ascii')
        offset = struct.unpack_from('<i', data, end + 1)[0]
        used = struct.unpack_from('<i', data, offset + 4)[0]
        files[name] = data[offset + 9:offset + 9 + used]
        at = end + 5
    return files


def walk_topics(topic):
    """Topic titles and paragraph texts in the order a viewer follows NextBlock."""
    blocks = []
    for b in range(0, len(topic), make_help.BLOCK_SIZE):
        blocks.append(make_help.lz77_decompress(topic[b + 12:b + make_help.BLOCK_SIZE]))
    pos, seen = 12, []
    while pos != -1:
        block, offset = divmod(pos - 12, make_help.DECOMPRESS_SIZE)
        buf = blocks[block]
        size, len2, _, nxt, len1, rtype = struct.unpack_from('<iiiiiB', buf, offset)
        data2 = buf[offset + len1:offset + size]
        assert len(data2) == len2
        if nxt == -1:
            break  # the closing link carries nothing
        if rtype == make_help.TL_TOPICHDR:
            seen.append(('topic', data2.rstrip(b'\0').decode('cp1252')))
        else:
            seen.append(('text', b''.join(data2.split(b'\0')).decode('cp1252')))
        pos = nxt
    return seen


class Compression(unittest.TestCase):
    def test_round_trips_and_shrinks_repeated_text(self):
        import random
        rnd = random.Random(7)
        samples = [b'', b'a', b'abcabcabcabc' * 50, bytes(rnd.randrange(256) for _ in range(5000)),
                   b'x' * 10000 + b'y' * 3]
        for data in samples:
            packed = make_help.lz77_compress(data)
            self.assertEqual(make_help.lz77_decompress(packed), data)
        self.assertLess(len(make_help.lz77_compress(samples[2])), len(samples[2]) // 4)


class Layout(unittest.TestCase):
    def test_topics_walk_in_order_with_their_text(self):
        files = internal_files(make_help.build(SOURCE))
        self.assertEqual(sorted(files), ['|CONTEXT', '|FONT', '|SYSTEM', '|TOPIC', '|TTLBTREE'])
        seen = walk_topics(files['|TOPIC'])
        self.assertEqual([t for kind, t in seen if kind == 'topic'],
                         ['Contents', 'Second page', 'Third page'])
        self.assertIn(('text', 'Go to the second page or the third.'), seen)
        self.assertIn(('text', '\u2022  a bullet'), seen)

    def test_every_topic_name_leads_to_its_topic(self):
        files = internal_files(make_help.build(SOURCE))
        ctx = files['|CONTEXT']
        leaf = 38
        count = struct.unpack_from('<h', ctx, leaf + 2)[0]
        pairs = [struct.unpack_from('<ii', ctx, leaf + 8 + 8 * i) for i in range(count)]
        self.assertEqual([h for h, _ in pairs], sorted(h for h, _ in pairs))
        by_hash = dict(pairs)
        for i, name in enumerate(['contents', 'second.page', 'third']):
            self.assertEqual(by_hash[make_help.context_hash(name)], i * 0x8000)
        # Names are matched without regard to case.
        self.assertEqual(make_help.context_hash('Third'), make_help.context_hash('third'))


class Refusals(unittest.TestCase):
    def check(self, source, words):
        with self.assertRaises(make_help.HelpError) as e:
            make_help.build(source)
        self.assertIn(words, str(e.exception))

    def test_faulty_sources(self):
        self.check('topic: a\nheading: A\nSee [b](missing).\n', "unknown topic 'missing'")
        self.check('topic: bad name\n', 'only letters')
        self.check('Some text\n', 'before the first topic')
        self.check('title: x\n', 'no topics')
        self.check('topic: big\nheading: Big\n' + 'x' * 40000 + '\n', 'too long')


if __name__ == '__main__':
    unittest.main()
