#include "album/DiaryTexts.h"

#include "album/Diary.h"

#include <array>

namespace kp::diary {

namespace {

QString T(const char* utf8) { return QString::fromUtf8(utf8); }

DiaryText pick(std::initializer_list<DiaryText> rows, int count) {
    const int n = static_cast<int>(rows.size());
    const int i = ((count % n) + n) % n;
    return *(rows.begin() + i);
}

}  // namespace

DiaryText arrived(const QString& name) {
    return {T("day one"),
            T("A little cat followed me all the way home tonight. I opened the door, and he walked in "
              "like he'd always lived here. I'm calling him ") +
                name + T(".")};
}

DiaryText farewell(const QString& name, const QString& ageLabel) {
    return {T("goodbye, little one"),
            name + T(" curled up in his favourite spot and drifted off for good. We had ") + ageLabel +
                T(" together, and he was happy every single day of it. I'll miss the way he waited for "
                  "me at the door. Thank you, little one.")};
}

DiaryText junior(const QString& name) {
    return {T("not a kitten"),
            name + T(" isn't a kitten any more. Bigger paws, longer legs, the very same face.")};
}

DiaryText adult() {
    return {T("all grown up"), T("All grown up. He still fits on the windowsill. Mostly.")};
}

DiaryText firstRain() {
    return {T("first rain"),
            T("His first rain. He watched every drop slide down the glass and tried to catch a few "
              "through the window.")};
}

DiaryText firstSnow() {
    return {T("first snow"), T("Snow! He didn't know what it was, and I don't think he approves.")};
}

DiaryText wardrobe(CatAccessory first) {
    const std::string_view shown = displayName(first);
    const QString piece = QString::fromUtf8(shown.data(), qsizetype(shown.size())).toLower();
    return {T("new clothes"),
            T("I finally bought him some clothes! A ") + piece +
                T(" to start. He pretended not to care, then wouldn't let me take it off.")};
}

DiaryText wardrobeFull() {
    return {T("the full wardrobe"),
            T("The wardrobe's full now. Top hat and bow tie: the most distinguished cat on the street.")};
}

std::span<const DayMilestone> dayMilestones() {
    static constexpr std::array<DayMilestone, 2> rows{{
        {7, "one week",
         "One whole week together. He knows the sound of my steps now, and he's at the door before I am."},
        {100, "100 days", "One hundred days! I can't remember what this house was like before him."},
    }};
    return rows;
}

QString yearWord(int years) {
    static constexpr std::array<const char*, 9> words{"two", "three", "four", "five", "six",
                                                     "seven", "eight", "nine", "ten"};
    if (years >= 2 && years <= 10) return T(words[static_cast<std::size_t>(years - 2)]);
    return QString::number(years);
}

DiaryText anniversaryText(int months, const QString& name) {
    switch (months) {
    case 1:
        return {T("one month!"), T("One month with me today!! ") + name +
                                     T(" has an opinion about everything now, and a favourite spot for "
                                       "each one. Happy one month, little one.")};
    case 3:
        return {T("three months!"),
                T("Three months together! I can't remember what coming home was like before ") + name +
                    T(" was waiting at the door.")};
    case 5:
        return {T("five months!"), T("Five months of ") + name +
                                       T(". Five months of fur on everything I own, and I wouldn't "
                                         "change a thing.")};
    case 12:
        return {T("one year!!!"),
                T("One whole year since he followed me home!!! Happy anniversary, ") + name +
                    T(". There was cake. He wasn't allowed any. He had some anyway.")};
    default: break;
    }
    const QString word = yearWord(months / 12);
    QString capital = word;
    // Each word starts upper-case; the table holds single words and digits stay as they are.
    bool start = true;
    for (auto& ch : capital) {
        if (start && ch.isLetter()) ch = ch.toUpper();
        start = ch.isSpace();
    }
    return {word + T(" years!"),
            capital + T(" years together today. He's still the best thing that ever followed me home. "
                        "Happy anniversary, ") +
                name + T(".")};
}

std::optional<HolidayText> holidayText(Holiday holiday, bool again, const QString& name) {
    switch (holiday) {
    case Holiday::newYear:
        if (again)
            return HolidayText{T("Happy New Year!"),
                               T("Another new year with him. He watched the fireworks from the sill like "
                                 "he'd ordered them himself."),
                               CatDoing::watching};
        return HolidayText{T("New Year with ") + name + T("!"),
                           T("Fireworks at the window, and ") + name +
                               T(" watched every one of them with enormous eyes. Then he slept right "
                                 "through midnight. The first year of many."),
                           CatDoing::watching};
    case Holiday::valentines:
        if (again)
            return HolidayText{T("Valentine's again!"),
                               T("Valentine's again. Still him. Always him. He got a heart balloon and "
                                 "popped it within the hour."),
                               CatDoing::loved};
        return HolidayText{T("Valentine's with ") + name + T("!"),
                           T("Valentine's Day. My valentine has whiskers, sheds on everything, and never "
                             "shares the pillow. Wouldn't have it any other way."),
                           CatDoing::loved};
    case Holiday::carnival:
        if (again)
            return HolidayText{T("Carnival again!"),
                               T("Carnival again. He found last year's confetti under the bed. Then this "
                                 "year's. He's in heaven."),
                               CatDoing::playing};
        return HolidayText{T("Carnival with ") + name + T("!"),
                           T("Carnival! Confetti everywhere, music from the street, and ") + name +
                               T(" chasing streamers until he fell asleep in a pile of them. Best costume "
                                 "in the house, no contest."),
                           CatDoing::playing};
    case Holiday::easter:
        if (again)
            return HolidayText{T("Easter again!"),
                               T("Easter again. I hid the chocolate this time. He found the basket anyway "
                                 "and sat in it, which I think is the real tradition now."),
                               CatDoing::playing};
        return HolidayText{T("Easter with ") + name + T("!!!"),
                           T("Easter! He tried to eat a chocolate egg and very nearly managed it. I got "
                             "there just in time. That was close! He got a painted one to chase instead, "
                             "and batted it under the bed."),
                           CatDoing::playing};
    case Holiday::festaJunina:
        if (again)
            return HolidayText{T("Arraiá again!"),
                               T("Another Festa Junina. He tried to steal a bit of pamonha and very nearly "
                                 "got away with it. I'm keeping an eye on him."),
                               CatDoing::lounging};
        return HolidayText{T("Festa Junina with ") + name + T("!"),
                           T("Festa Junina! Little flags across the wall, a straw hat that's far too big "
                             "for him, and a cat very interested in the corn. Not in the dancing, though. "
                             "He doesn't do quadrilha."),
                           CatDoing::watching};
    case Holiday::halloween:
        if (again)
            return HolidayText{T("Halloween again!"),
                               T("Halloween again. He's still convinced the pumpkin is watching him, and "
                                 "honestly, he might be right."),
                               CatDoing::watching};
        return HolidayText{T("Halloween with ") + name + T("!"),
                           T("His first Halloween! A tiny witch hat, a pumpkin by the bed, and a cat "
                             "who's sure the whole thing is about him. He hissed at the pumpkin. Twice."),
                           CatDoing::watching};
    case Holiday::christmas:
        if (again)
            return HolidayText{T("Christmas again!"),
                               T("Another Christmas together. He went for the tree again, of course. One "
                                 "bauble down. He looks very pleased with himself."),
                               CatDoing::loved};
        return HolidayText{T("Merry Christmas, ") + name + T("!"),
                           T("Our first Christmas! Snow at the window, a little tree in the corner, and ") +
                               name +
                               T(" asleep in the wrapping paper instead of opening anything. He tried to "
                                 "climb the tree. The tree won."),
                           CatDoing::loved};
    case Holiday::birthday: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<PlaceText> placeEntry(DiaryPlace place, const DiaryContext& c) {
    const QString& name = c.name;
    switch (place) {
    case DiaryPlace::garden:
        return PlaceText{T(gardenKey), T("out in the garden"),
                         name + T("'s first afternoon in the garden! He sniffed every blade of grass, "
                                  "chased a leaf all the way to the fence, and came back in with a twig in "
                                  "his fur."),
                         CatDoing::lounging};
    case DiaryPlace::house:
        if (c.snow)
            return PlaceText{T("place-house-snow"), T("snowed in"),
                             T("It snowed, and ") + name +
                                 T(" went straight into his little house in the garden. Only his face in "
                                   "the door, watching the flakes come down. Very cosy, very serious."),
                             CatDoing::watching};
        if (c.rain)
            return PlaceText{T("place-house-rain"), T("under his roof"),
                             T("Rain in the garden, and ") + name +
                                 T(" ran for his little house. He sat in the door like a tiny shopkeeper, "
                                   "watching it pour."),
                             CatDoing::watching};
        return std::nullopt;
    case DiaryPlace::hearth:
        if (c.night || c.sunset)
            return PlaceText{T("place-hearth"), T("by the fire"),
                             name + T(" fell asleep by the fireplace tonight, paws tucked in, glowing "
                                      "orange on one side. I didn't have the heart to move him."),
                             CatDoing::lounging};
        return PlaceText{T("place-hearth"), T("by the fire"),
                         T("Found ") + name +
                             T(" on the rug by the fire, eyes half shut, purring at the flames. He's "
                               "decided that's his spot now."),
                         CatDoing::lounging};
    case DiaryPlace::tv:
        return PlaceText{T("place-tv"), T("cat TV"),
                         T("Caught ") + name +
                             T(" watching TV. A bird show. He tried to catch one through the screen, then "
                               "sat back down like nothing happened."),
                         CatDoing::watching};
    }
    return std::nullopt;
}

std::vector<LifeRow> lifePool(bool variant, const QString& name) {
    using D = CatDoing;
    std::vector<LifeRow> rows;
    rows.reserve(39);
    auto add = [&](int hour, D doing, const char* title, QString note) {
        rows.push_back({hour, doing, T(title), std::move(note)});
    };
    // 0
    if (variant)
        add(20, D::loved, "my friends",
            T("My best friends came over to meet ") + name +
                T(", and he loved them! Rubbing against everyone's legs, asking for pets, sitting in laps. "
                  "I think he has new favourite people."));
    else
        add(20, D::waiting, "my friends",
            T("My best friends came over to meet ") + name +
                T(". He didn't take it well: he got scared, hid behind the sofa, and scratched one of them "
                  "on the way out. I hope things get better."));
    // 1
    if (variant)
        add(16, D::loved, "grandma",
            T("Grandma came to visit. ") + name +
                T(" sat on her lap the whole afternoon and she says he's the most polite cat she's ever "
                  "met. He is not. But fine."));
    else
        add(16, D::waiting, "grandma",
            T("Grandma came to visit. ") + name +
                T(" watched her from the top of the wardrobe for three hours. She waved. He did not wave "
                  "back."));
    // 2
    if (variant)
        add(11, D::watching, "the plumber",
            T("The plumber came to fix the sink, and ") + name +
                T(" supervised every single minute of it. From very close. Inside the cupboard, mostly."));
    else
        add(11, D::lounging, "the plumber",
            T("The plumber came to fix the sink. ") + name +
                T(" vanished the second the doorbell rang and only came out once the van had gone."));
    add(18, D::asleep, "a heavy nap",
        T("Came home from work and ") + name +
            T(" was so deeply asleep I couldn't wake him. I called him, tapped the bed, nothing. I got "
              "such a fright! Then he yawned at me, annoyed. Just a very heavy nap."));
    add(21, D::loved, "the bite",
        T("I petted him and he asked for more. So I did more, and more, and he kept asking. Then, out of "
          "nowhere, he bit me. Still trying to work out how cats work."));
    add(6, D::waiting, "breakfast alarm",
        name + T(" decided breakfast was at six today. He let me know by sitting on my chest and staring "
                 "until I woke up."));
    add(15, D::playing, "the box",
        T("Something came in the post. He didn't care what was inside, but the box is his house now."));
    add(22, D::watching, "the moth",
        T("A moth got in tonight. ") + name + T(" spent an hour hunting it, and the moth won every round."));
    add(11, D::lounging, "the keyboard",
        T("I was trying to work and he lay down right on the keyboard. That's where the warm spot is, "
          "apparently. I sent an email that said \"jjjjjjjjjjj\"."));
    add(9, D::grooming, "my sock",
        T("One of my socks went missing this morning. Found it in his bed. He's not explaining himself."));
    add(3, D::playing, "3 a.m.",
        T("Woke up to a thunder of tiny feet at three in the morning. Nobody was chasing him. Nobody ever "
          "is."));
    add(16, D::watching, "the cup",
        T("He looked me in the eye and pushed my cup off the table. Slowly. On purpose. Luckily it was "
          "empty."));
    add(13, D::sunNap, "laundry",
        T("Left the clean laundry on the bed for one minute. It's his laundry now, and it's covered in "
          "fur."));
    // 13
    if (variant)
        add(19, D::loved, "a visitor",
            T("A friend came over and ") + name +
                T(" was at the door before they'd even knocked. He showed them around the whole house. "
                  "Mostly his bowl."));
    else
        add(19, D::lounging, "a visitor",
            T("A friend came over and ") + name +
                T(" hid under the bed the whole evening. The moment they left, out he came like nothing had "
                  "happened."));
    add(10, D::watching, "the mirror",
        T("He met the cat in the mirror today. They had a long talk. Neither one backed down."));
    add(17, D::playing, "a piece of string",
        T("Half an hour dragging a piece of string across the floor. I've never seen anyone so happy. Him, "
          "I mean. Also me."));
    add(8, D::stretching, "my side",
        T("Got up for one minute and ") + name +
            T(" took my side of the bed. Still warm, he said. Fair enough."));
    add(14, D::scratching, "the curtains",
        T("Caught him halfway up the curtains. He looked down at me like it was my idea."));
    add(20, D::eating, "new food",
        T("Tried a new food. He sniffed it, gave me a look of deep disappointment, then ate every last "
          "bit."));
    add(12, D::asleep, "belly up",
        T("He fell asleep upside down with his paws in the air. I touched the belly. Big mistake."));
    add(22, D::loved, "purring",
        T("He climbed onto my lap tonight and purred so loud the whole sofa hummed. I didn't move for an "
          "hour."));
    add(18, D::waiting, "the door",
        T("He followed me to the bathroom and cried outside the door the whole time, as if I'd gone away "
          "for a week."));
    add(15, D::lounging, "the bag",
        T("Left my bag open for a second. ") + name + T(" is inside it now and has no plans to leave."));
    add(9, D::drinking, "my glass",
        T("He has a perfectly good water bowl. He prefers to drink from my glass."));
    add(16, D::asleep, "dreaming",
        T("He was dreaming today, little paws running in his sleep. I hope he caught whatever it was."));
    add(11, D::watching, "the pigeon",
        T("A pigeon walked past the window. ") + name +
            T(" made a sound I've never heard any animal make."));
    add(20, D::watching, "a new friend",
        T("A tiny spider in the corner. ") + name +
            T(" watched it for twenty minutes, then decided it was a friend."));
    add(21, D::loved, "slow blink",
        T("He gave me a slow blink from across the room. I read that it means \"I trust you\". I blinked "
          "back. I think that makes it official."));
    add(14, D::lounging, "my plant",
        T("There's a bite out of my plant. I have one suspect, and he's pretending to be asleep."));
    add(19, D::waiting, "the fridge",
        T("Every time I open the fridge he appears out of nowhere, as if someone had called his name."));
    add(13, D::grooming, "hairball",
        T("Not a lovely afternoon: a hairball, on the rug, of course. He looked very proud of it."));
    add(17, D::scratching, "my chair",
        T("He has a scratching post. He has decided my chair is better. We're negotiating."));
    add(23, D::asleep, "my pillow",
        T("Went to bed and found ") + name +
            T(" already on my pillow. I slept on the edge. He slept very well, thank you."));
    add(10, D::playing, "the bottle cap",
        T("All the toys from the pet shop: ignored. A bottle cap off the floor: best day of his life."));
    add(16, D::watching, "the vacuum",
        T("I turned the vacuum on. ") + name +
            T(" isn't speaking to me, and he'll be on top of the wardrobe for some time."));
    add(12, D::waiting, "the carrier",
        T("Took his carrier out to clean it and he vanished. Twenty minutes to find him. It was only a "
          "carrier, little one."));
    add(18, D::loved, "welcome home",
        T("Came home late and he was right at the door, complaining loudly about everything that happened "
          "while I was out."));
    add(15, D::stretching, "the long stretch",
        T("He did a stretch so long I'm not sure where he ends. Front paws in the kitchen, back paws in the "
          "bedroom."));
    add(21, D::lounging, "nature show",
        T("I put on a nature show and ") + name +
            T(" sat right in front of the TV, studying the birds. Then he looked behind it."));
    return rows;
}

std::optional<DiaryText> candidText(CatDoing doing, const DiaryContext& c, int count) {
    const QString& name = c.name;
    switch (doing) {
    case CatDoing::lounging:
        return pick({{T("doing nothing"),
                      name + T(", doing absolutely nothing, beautifully. I could watch him for hours.")},
                     {T("loaf"), T("Paws tucked in. A perfect loaf.")}},
                    count);
    case CatDoing::asleep:
        return DiaryText{T("sweet dreams"), T("Asleep with his nose under his tail. Dreaming of something, "
                                               "by the way his whiskers twitch.")};
    case CatDoing::stretching:
        return DiaryText{T("good morning"), T("Up from a nap with the longest stretch in the world.")};
    case CatDoing::eating: return std::nullopt;
    case CatDoing::drinking:
        return DiaryText{T("sip sip"), T("Tiny laps of water. He gets more on his chin than in his mouth.")};
    case CatDoing::scratching:
        return pick({{T("claws"),
                      T("He used the scratching post, not the sofa! I'm writing it down so I remember.")},
                     {T("stretch"), T("A big scratch and a bigger stretch.")}},
                    count);
    case CatDoing::grooming:
        return pick({{T("bath time"), T("Making himself handsome. It takes a while, and it can't be rushed.")},
                     {T("one paw"), T("One paw, then the ears, then the other paw. A very serious routine.")}},
                    count);
    case CatDoing::playing:
        return pick({{T("the ball"),
                      T("His ball rolled under the bed, and he had to be very brave to get it back.")},
                     {T("zoomies"),
                      T("Three laps of the room at full speed, for no reason at all. I laughed so much.")}},
                    count);
    case CatDoing::sunNap:
        return pick({{T("sunbathing"), T("Caught ") + name +
                                           T(" asleep in a patch of sun. He followed it across the floor "
                                             "all afternoon.")},
                     {T("the sunny spot"),
                      T("The sunniest spot in the house, and of course he found it before I did.")}},
                    count);
    case CatDoing::watching:
        if (c.rain)
            return pick({{T("on watch"), T("Rain again. ") + name +
                                             T(" kept watch all morning, in case it tried anything.")},
                         {T("raindrops"), T("He counts the raindrops. He loses count. He starts again.")}},
                        count);
        if (c.sunset)
            return pick({{T("sunset"), name + T(" never misses a sunset. We watched this one together.")},
                         {T("golden hour"),
                          T("The whole room went gold, and he sat very still so it would stay.")}},
                        count);
        if (c.night)
            return pick({{T("night watch"),
                          T("He was up late watching the street. Someone has to, apparently.")},
                         {T("stargazing"), name + T(" and the moon, having a staring contest. I think the "
                                                    "moon won.")}},
                        count);
        return pick({{T("bird watch"), T("A bird landed on the sill today. ") + name +
                                           T(" chattered at it for ten whole minutes.")},
                     {T("his kingdom"), T("His window, his street, his whole little kingdom.")}},
                    count);
    case CatDoing::waiting: return std::nullopt;
    case CatDoing::loved:
        return DiaryText{T("love"), T("He headbutted my hand when I came home. I'm counting that as a kiss.")};
    }
    return std::nullopt;
}

}  // namespace kp::diary
