<?xml version="1.0" ?>
<track timezone="480">
    <item trail="3">
        <point lat="22.500000" lng="114.250000" time="40897.545243" alt="12.50" bar="1013.25" tmp="21.00" pho="p.jpg" />
        <point lat="22.500100" lng="114.250000" time="40897.545301" alt="12.70" bar="1013.20" tmp="21.00" pho="" />
    </item>
    <item trail="4" />
</track>
